#include "runtime/clock.h"
#include "script/screen_text.h"

void TimedMessage::Show(const char* newText) {
    text = newText;
    expiry = TimedMessageExpiry(Now());
}
