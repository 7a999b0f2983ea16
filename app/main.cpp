#include "app/InterfaceClasses.h"
#include "platform/Launcher.h"

// Arguments go to the platform untouched: its own options and ours; otherwise they are ignored.
int main(int argc, char* argv[]) {
    return platform::applicationMain(argc, argv, app::interfaceClasses());
}
