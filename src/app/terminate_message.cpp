// What the program prints when an exception escapes every handler, in place
// of the C++ runtime's own message: that one spells the exception's type out
// through a 40 KB name demangler the program carries for nothing else. The
// type is printed as the compiler names it; the end is the same abort.
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <exception>
#include <typeinfo>

namespace __gnu_cxx {

void __verbose_terminate_handler() {
    static bool terminating = false;
    if (terminating) {
        std::fputs("terminate called recursively\n", stderr);
        std::abort();
    }
    terminating = true;
    if (const std::type_info* type = abi::__cxa_current_exception_type()) {
        std::fprintf(stderr, "terminate called after throwing an instance of '%s'\n", type->name());
        try {
            throw;
        } catch (const std::exception& error) {
            std::fprintf(stderr, "  what():  %s\n", error.what());
        } catch (...) {
        }
    } else {
        std::fputs("terminate called without an active exception\n", stderr);
    }
    std::abort();
}

}  // namespace __gnu_cxx
