#include "script/screen_text.h"

#include "runtime/clock.h"
#include "script/commands.h"

void DrawScreenText(const char* text, float x, float y, float scale) {
    SetTextScale(scale, scale);
    DisplayTextLiteral(x, y, text);
}

void TimedMessage::Draw() const {
    if (TimedMessageVisible(expiry, Now())) DrawScreenText(text, 0.1f, 0.1f, 1.0f);
}
