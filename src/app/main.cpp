#include "app/entry.h"

int main(int argc, char** argv) {
    return stallscan::app::Main(argc, argv);
}
