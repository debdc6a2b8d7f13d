#include "app/velor_main.h"

int main(int argc, char** argv) {
    return velor::runVelor(argc, argv);
}
