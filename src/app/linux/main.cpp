// Norvessa on Linux: the main dialog over the touch controller's hidraw node, or what the
// command line asks for instead.

#include "app/linux/command_line_app.h"

int main(int argc, char** argv) {
    return norvessa::ui::RunCommandLine(argc, argv);
}
