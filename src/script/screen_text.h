#pragma once
#include <cstdint>

// Draws one text for this frame: SetTextScale(scale, scale), then DisplayTextLiteral(x, y, text).
// The text is handed to the game as it is; nothing is copied.
void DrawScreenText(const char* text, float x, float y, float scale);

inline constexpr std::int64_t kTimedMessageSeconds = 6;

// Clock rule of a timed message: shown up to, not including, the expiry second.
constexpr std::int64_t TimedMessageExpiry(std::int64_t now) {
    return now + kTimedMessageSeconds;
}
constexpr bool TimedMessageVisible(std::int64_t expiry, std::int64_t now) {
    return expiry > now;
}

// One line of feedback, kept on screen for 6 seconds after Show. It refers to a text that lasts as
// long as the plugin (a literal), so that showing one needs no memory: it is shown in the very frame
// a deal is made, whatever the heap holds.
class TimedMessage {
  public:
    void Show(const char* text); // replaces the text, expires 6 s from now
    void Draw() const;           // at (0.1, 0.1), scale 1.0, while not expired

    std::int64_t expiry = 0;
    const char* text = "";
};
