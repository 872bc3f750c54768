// operation_frame.h - the one place where library failures become the book's message.
#pragma once

#include <exception>
#include <string>
#include <type_traits>
#include <utility>

namespace karvo {

/// The last message of a book; its sheets, formats and fonts write here too.
class BookMessage {
public:
    const char* text() const { return text_.c_str(); }
    // Called at the start of every operation, so the common case costs a compare.
    void ok() {
        if (!isOk()) text_.assign("ok");
    }
    void set(std::string text) { text_ = std::move(text); }
    void warn(const std::string& what) { text_ = "warning: " + what; }
    bool isOk() const { return text_.size() == 2 && text_[0] == 'o' && text_[1] == 'k'; }

private:
    std::string text_ = "ok";
};

/// Runs one interface operation: sets "ok", runs the body, and turns anything the
/// body throws into the message and the operation's failure value. Every
/// interface implementation goes through here, so no exception ever leaves an
/// interface call.
template <class Body, class Result = std::invoke_result_t<Body>>
Result runOperation(BookMessage& message, std::type_identity_t<Result> failure, Body&& body) noexcept {
    try {
        message.ok();
        return body();
    } catch (const std::exception& e) {
        try {
            message.set(e.what());
        } catch (...) {
            // No memory left to copy the text; the message keeps what it had.
        }
    } catch (...) {
        message.set("general failure");
    }
    return failure;
}

/// The same frame for operations without a result.
template <class Body>
void runOperation(BookMessage& message, Body&& body) noexcept {
    runOperation(message, 0, [&] {
        body();
        return 0;
    });
}

} // namespace karvo
