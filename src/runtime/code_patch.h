#pragma once
#include <cstdint>

// Makes a range of game code writable and executable for one access and puts the previous
// protection back afterwards. `changed()` is false when the system refused the change.
class CodeProtectionScope {
  public:
    CodeProtectionScope(std::uint32_t address, std::uint32_t size);
    ~CodeProtectionScope();
    CodeProtectionScope(const CodeProtectionScope&) = delete;
    CodeProtectionScope& operator=(const CodeProtectionScope&) = delete;

    bool changed() const { return changed_; }

  private:
    std::uint32_t address_;
    std::uint32_t size_;
    std::uint32_t previous_protection_ = 0;
    bool changed_ = false;
};

// Where the five-byte relative call at `site` goes now: what PatchCall would return, read without
// writing anything (0 for site 0 or where the code's protection cannot be changed).
std::uint32_t ReadCallDestination(std::uint32_t site);

// Redirects the five-byte relative call at `site` to `target` and returns where it went before.
// Site 0 does nothing and returns 0. Where the protection of the code cannot be changed, the site
// is left as it is: nothing is written there (and 0 is returned if it could not even be read).
std::uint32_t PatchCall(std::uint32_t site, std::uint32_t target);
