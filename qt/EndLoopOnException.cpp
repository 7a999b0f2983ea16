#include "qt/EndLoopOnException.h"

#include <QCoreApplication>
#include <exception>
#include <iostream>

#include "platform/InterfaceError.h"

namespace platform::qt {

void endLoopOnException(const std::function<void()>& call) {
    try {
        call();
    } catch (const InterfaceError& e) {
        std::cerr << "fluxprobe: " << e.what() << std::endl;
        QCoreApplication::exit(2);
    } catch (const std::exception& e) {
        std::cerr << "fluxprobe: " << e.what() << std::endl;
        QCoreApplication::exit(1);
    }
}

}  // namespace platform::qt
