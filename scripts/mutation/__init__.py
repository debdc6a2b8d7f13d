"""The parts of scripts/mutate: a mutation tester for the project's C++."""
