#pragma once
#include <cstddef>
#include <cstdint>

// The game's call record for one script command: 160 bytes of 32-bit little-endian fields. The
// handler finds its arguments through argumentPointer, stores its result through resultPointer
// (both on slot 0, so the result overwrites the first argument) and may leave up to four vectors
// for the caller to copy into its variables.
struct ScriptCommandContext {
    struct PendingVector {
        float x, y, z;
        float unused; // never copied back
    };

    std::uint32_t resultPointer;
    std::uint32_t argumentCount;
    std::uint32_t argumentPointer;
    std::uint32_t pendingVectorCount;
    std::uint32_t vectorDestinations[4];
    PendingVector vectorValues[4];
    std::uint32_t slots[16];
};

static_assert(sizeof(ScriptCommandContext) == 160);
static_assert(offsetof(ScriptCommandContext, resultPointer) == 0);
static_assert(offsetof(ScriptCommandContext, argumentCount) == 4);
static_assert(offsetof(ScriptCommandContext, argumentPointer) == 8);
static_assert(offsetof(ScriptCommandContext, pendingVectorCount) == 12);
static_assert(offsetof(ScriptCommandContext, vectorDestinations) == 16);
static_assert(offsetof(ScriptCommandContext, vectorValues) == 32);
static_assert(sizeof(ScriptCommandContext::PendingVector) == 16);
static_assert(offsetof(ScriptCommandContext, slots) == 96);

inline constexpr std::uint32_t kScriptCommandSlots = 16;
inline constexpr std::uint32_t kScriptCommandVectors = 4;
inline constexpr std::uint32_t kCopiedVectorBytes = 12; // x, y, z

// A game script command handler: C calling convention, one argument, result ignored.
using ScriptCommandHandler = void (*)(ScriptCommandContext*);

// The game's handler for a hash, looked up anew on every call; null when the game does not know the
// hash, when its lookup faults, or under an unknown build.
ScriptCommandHandler GetScriptCommandHandler(std::uint32_t hash);

// One invocation on a record of its own (on the caller's stack, never moved): construct, push the
// arguments in slot order, Invoke, read the result. Allocates nothing.
class ScriptCall {
  public:
    ScriptCall();
    ScriptCall(const ScriptCall&) = delete;
    ScriptCall& operator=(const ScriptCall&) = delete;

    ScriptCall& Int(std::int32_t value);
    ScriptCall& Float(float value);
    ScriptCall& Bool(bool value);
    ScriptCall& Text(const char* text);
    ScriptCall& Out(void* variable); // out parameter: the address of the caller's variable

    // Looks the handler up, calls it when found, then copies pending vectors back, last first.
    ScriptCall& Invoke(std::uint32_t hash);

    std::int32_t ResultInt() const;
    bool ResultBool() const; // lowest byte of slot 0
    float ResultFloat() const;

    const ScriptCommandContext& Record() const { return record_; }

  private:
    std::uint32_t* NextSlot();

    ScriptCommandContext record_;
};

// Generic invokers, one per argument shape; most wrappers forward to these. The one-argument
// shape comes with a bool or an int result: InvokeScriptCommand<bool>(hash, a).
template <typename Result> Result InvokeScriptCommand(std::uint32_t hash, std::int32_t a);
template <> bool InvokeScriptCommand<bool>(std::uint32_t hash, std::int32_t a);
template <> std::int32_t InvokeScriptCommand<std::int32_t>(std::uint32_t hash, std::int32_t a);
std::int32_t InvokeScriptCommand(std::uint32_t hash, std::int32_t a, std::int32_t b);
std::int32_t InvokeScriptCommand(std::uint32_t hash, std::int32_t a, bool b);
std::int32_t InvokeScriptCommand(std::uint32_t hash, std::int32_t a, std::int32_t b, std::int32_t c,
                                 std::int32_t d);

// A pointer as a 32-bit slot value (the plugin and the game are 32-bit).
std::int32_t SlotAddress(const void* pointer);
