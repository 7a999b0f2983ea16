#include "app/InterfaceClasses.h"
#include "app/run/Run.h"

// Arguments go to the run untouched: Qt's own options and ours; otherwise they are ignored.
int main(int argc, char* argv[]) {
    return app::runProgram(argc, argv, app::interfaceClasses());
}
