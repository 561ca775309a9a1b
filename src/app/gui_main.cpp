// The windowed program: the command line's program, and the windows when it is started without a
// SPEC or an option.

#include "app/entry.h"
#include "ui/gui_main.h"

int main(int argc, char** argv) {
    return stallscan::app::Main(argc, argv, stallscan::ui::RunWindows);
}
