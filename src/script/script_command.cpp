#include "script/script_command.h"

#include "runtime/host_version.h"

#include <bit>
#include <cstring>
#include <windows.h>

// Calls the lookup routine at `routine` with the hash in ESI under an exception registration
// whose handler is the one below (script_lookup.S).
extern "C" std::uint32_t GuardedScriptLookup(std::uint32_t routine, std::uint32_t hash);
// Unwinds every registration above the guard's with RtlUnwind, then resumes in
// GuardedScriptLookup with ESP on the guard's record; the lookup yields 0.
extern "C" [[noreturn]] void ResumeAfterLookupFault(void* registration, EXCEPTION_RECORD* exception);

// The guard's frame handler, called by the system's exception dispatcher. It takes every
// exception raised inside the lookup, as an __except whose filter always accepts:
// - First pass (no unwind flag): it never returns a disposition. ExceptionContinueExecution
//   cannot resume an exception raised with EXCEPTION_NONCONTINUABLE (the system raises
//   EXCEPTION_NONCONTINUABLE_EXCEPTION instead), and would leave the lookup's own registrations
//   linked without their unwind. It unwinds to its registration and resumes past the lookup,
//   which is the same for continuable and non-continuable exceptions.
// - Second pass (EXCEPTION_UNWINDING, with EXCEPTION_EXIT_UNWIND when a thread exits): an unwind
//   passing through the guard, which has nothing to clean up: ExceptionContinueSearch. Its own
//   unwind stops at its registration and does not call it.
extern "C" EXCEPTION_DISPOSITION ScriptLookupExceptionHandler(EXCEPTION_RECORD* exception, void* registration,
                                                              CONTEXT*, void*) {
    if (exception->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND))
        return ExceptionContinueSearch;
    ResumeAfterLookupFault(registration, exception);
}

namespace {
constexpr std::uint32_t kLookupOffsetV1070 = 0x1A76D0;
constexpr std::uint32_t kLookupOffsetV1080 = 0x226AF0;
} // namespace

ScriptCommandHandler GetScriptCommandHandler(std::uint32_t hash) {
    const std::uint32_t routine = ResolveHostAddress(kLookupOffsetV1070, kLookupOffsetV1080);
    if (routine == 0) return nullptr;
    return reinterpret_cast<ScriptCommandHandler>(GuardedScriptLookup(routine, hash));
}

std::int32_t SlotAddress(const void* pointer) {
    static_assert(sizeof(pointer) == sizeof(std::int32_t), "the game is a 32-bit process");
    return static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(pointer));
}

ScriptCall::ScriptCall() {
    std::memset(&record_, 0, sizeof record_);
    const auto slot0 = static_cast<std::uint32_t>(SlotAddress(&record_.slots[0]));
    record_.resultPointer = slot0;
    record_.argumentPointer = slot0;
}

std::uint32_t* ScriptCall::NextSlot() {
    // No command takes more than six arguments; a seventeenth would have nowhere to go.
    if (record_.argumentCount >= kScriptCommandSlots) return nullptr;
    return &record_.slots[record_.argumentCount++];
}

ScriptCall& ScriptCall::Int(std::int32_t value) {
    if (auto* slot = NextSlot()) *slot = static_cast<std::uint32_t>(value);
    return *this;
}

ScriptCall& ScriptCall::Float(float value) {
    if (auto* slot = NextSlot()) *slot = std::bit_cast<std::uint32_t>(value);
    return *this;
}

ScriptCall& ScriptCall::Bool(bool value) {
    // One byte into the cleared slot: the upper three bytes stay 0.
    if (auto* slot = NextSlot()) *reinterpret_cast<std::uint8_t*>(slot) = value ? 1 : 0;
    return *this;
}

ScriptCall& ScriptCall::Text(const char* text) {
    return Int(SlotAddress(text));
}

ScriptCall& ScriptCall::Out(void* variable) {
    return Int(SlotAddress(variable));
}

ScriptCall& ScriptCall::Invoke(std::uint32_t hash) {
    const ScriptCommandHandler handler = GetScriptCommandHandler(hash);
    if (handler == nullptr) return *this;
    handler(&record_);
    // The game leaves vectors it could not write directly; copy them, last recorded first. A count
    // the record cannot hold names no entries: nothing is copied.
    if (record_.pendingVectorCount > kScriptCommandVectors) record_.pendingVectorCount = 0;
    while (record_.pendingVectorCount != 0) {
        const std::uint32_t i = --record_.pendingVectorCount;
        std::memcpy(reinterpret_cast<void*>(record_.vectorDestinations[i]), &record_.vectorValues[i],
                    kCopiedVectorBytes);
    }
    return *this;
}

std::int32_t ScriptCall::ResultInt() const {
    return static_cast<std::int32_t>(record_.slots[0]);
}

bool ScriptCall::ResultBool() const {
    return (record_.slots[0] & 0xFF) != 0;
}

float ScriptCall::ResultFloat() const {
    return std::bit_cast<float>(record_.slots[0]);
}

template <> bool InvokeScriptCommand<bool>(std::uint32_t hash, std::int32_t a) {
    return ScriptCall().Int(a).Invoke(hash).ResultBool();
}

template <> std::int32_t InvokeScriptCommand<std::int32_t>(std::uint32_t hash, std::int32_t a) {
    return ScriptCall().Int(a).Invoke(hash).ResultInt();
}

std::int32_t InvokeScriptCommand(std::uint32_t hash, std::int32_t a, std::int32_t b) {
    return ScriptCall().Int(a).Int(b).Invoke(hash).ResultInt();
}

std::int32_t InvokeScriptCommand(std::uint32_t hash, std::int32_t a, bool b) {
    return ScriptCall().Int(a).Bool(b).Invoke(hash).ResultInt();
}

std::int32_t InvokeScriptCommand(std::uint32_t hash, std::int32_t a, std::int32_t b, std::int32_t c,
                                 std::int32_t d) {
    return ScriptCall().Int(a).Int(b).Int(c).Int(d).Invoke(hash).ResultInt();
}
