// Norvessa on Linux: the main dialog over the touch controller's hidraw node.

#include "app/linux/application.h"

int main(int argc, char** argv) {
    return norvessa::ui::RunApplication(argc, argv);
}
