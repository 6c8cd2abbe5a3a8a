#pragma once
// What a refusal says: the text of the exception of type E that f throws, or
// "no error" when it throws none. Tables of refusals compare the texts.
#include <functional>
#include <string>

namespace vinra::testing {

template <class E>
std::string ThrownText(const std::function<void()>& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "no error";
}

}  // namespace vinra::testing
