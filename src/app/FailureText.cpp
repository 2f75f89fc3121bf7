#include "app/FailureText.h"

#include <new>

#include "io/Failure.h"

namespace app {

std::string FailureText::of(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const io::Failure& failure) {
        return failure.text();
    } catch (const std::bad_alloc&) {
        return "Out of memory";
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}

} // namespace app
