// Work that may run beside the caller's own: on a thread of its own where the system gives one,
// else at once on the caller's.
#pragma once

#include <future>
#include <system_error>
#include <type_traits>

template <class F>
std::future<std::invoke_result_t<F>> RunOnSecondThread(F work) {
    try {
        return std::async(std::launch::async, work);
    } catch (const std::system_error&) {
        std::promise<std::invoke_result_t<F>> here;
        here.set_value(work());
        return here.get_future();
    }
}
