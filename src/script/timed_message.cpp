#include "runtime/clock.h"
#include "script/screen_text.h"

void TimedMessage::Show(std::string_view newText) {
    const std::size_t length = newText.size() < sizeof text ? newText.size() : sizeof text - 1;
    newText.copy(text, length);
    text[length] = '\0';
    expiry = TimedMessageExpiry(Now());
}
