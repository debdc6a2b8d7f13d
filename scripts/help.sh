# Sourced by the scripts: print_script_help prints the script's opening
# comment, which says what it does and how it is called.
print_script_help() {
  sed -n '2,/^[^#]/{/^#/!d;s/^# \{0,1\}//p}' "$0"
}
