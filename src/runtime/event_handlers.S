# Entry points of the eight redirected game call sites. Each is entered by the game's own call
# instruction and must leave the game's callee the registers and stack the game prepared.
#
# The game's compiler may pass values into a call, or get a result back, in more than the general
# registers: whole-program optimisation passes values in XMM0 to XMM7 (and may keep values there
# across a call it knows), a callee returns float and double results in ST0 (x87 stack and tags) or
# XMM0, and MXCSR and the x87 control word are the game's modes (flush-to-zero, single precision).
# So every handler keeps, around its listeners:
#   - the eight general registers (pushal) and EFLAGS, the direction flag among them (pushfl);
#   - the whole x87 and SSE state, FXSAVE's image: x87 control, status and tag words, ST0 to ST7,
#     MXCSR, XMM0 to XMM7; at a post-call site it is the state the game's callee returned with.
# The listeners are GCC-built code and get what the ABI promises them: an empty x87 stack (FNINIT,
# then the game's x87 control word again) and the direction flag clear. They run in the game's
# x87 control word and MXCSR otherwise. FXSAVE needs a 16-byte aligned area and the game keeps the
# stack 4-byte aligned only: the area lies in a frame aligned here, which also aligns the call.
# Game threads may pass the sites at once: what a handler keeps is on the entering thread's stack.
# Only a post-call site's object is handed to the listeners through g_event_object, just before
# they run.

        .text

# Runs the listeners of event `index` with everything above kept; entered with the registers to
# keep (ESP excepted), returns with them as they were. At a post-call site the call's object is on
# the top of the stack: it is published for the listeners first.
.macro DISPATCH index post
        pushal
        pushfl
.if \post
        movl    36(%esp), %eax
        movl    %eax, (_g_event_object + 4 * \index)
.endif
        movl    %esp, %ebp
        andl    $-16, %esp
        subl    $512, %esp
        fxsave  (%esp)
        fninit
        fldcw   (%esp)
        cld
        subl    $12, %esp
        pushl   $\index
        call    _DispatchGameEvent
        fxrstor 16(%esp)
        movl    %ebp, %esp
        popfl
        popal
.endm

# Before the game's call: run the listeners, then jump (not call) to the saved destination, which
# returns straight to the game.
.macro PRE_CALL_HANDLER index
        .globl _EventHandler\index
_EventHandler\index:
        DISPATCH \index 0
        jmp     *(_g_event_saved_destination + 4 * \index)
.endm

# After the game's member function call: make the call (the callee takes no stack arguments) with
# the object (ECX) kept on this thread's stack, run the listeners with the callee's registers and
# results kept, and return to the game. LEA drops the object and leaves the callee's flags.
.macro POST_CALL_HANDLER index
        .globl _EventHandler\index
_EventHandler\index:
        pushl   %ecx
        call    *(_g_event_saved_destination + 4 * \index)
        DISPATCH \index 1
        leal    4(%esp), %esp
        ret
.endm

        PRE_CALL_HANDLER 0
        PRE_CALL_HANDLER 1
        PRE_CALL_HANDLER 2
        PRE_CALL_HANDLER 3
        POST_CALL_HANDLER 4
        POST_CALL_HANDLER 5
        PRE_CALL_HANDLER 6
        PRE_CALL_HANDLER 7

        .section .rdata,"dr"
        .globl _g_event_handlers
        .p2align 2
_g_event_handlers:
        .long _EventHandler0, _EventHandler1, _EventHandler2, _EventHandler3
        .long _EventHandler4, _EventHandler5, _EventHandler6, _EventHandler7
