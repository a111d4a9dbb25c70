#include "runtime/clock.h"
#include "script/screen_text.h"

void TimedMessage::Show(std::string_view newText) {
    text.assign(newText);
    expiry = TimedMessageExpiry(Now());
}
