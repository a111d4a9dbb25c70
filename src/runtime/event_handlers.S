# Entry points of the eight redirected game call sites. Each is entered by the game's own call
# instruction and must leave the game's callee the registers and stack the game prepared.

        .text

# Before the game's call: save all registers, run the listeners, restore, then jump (not call) to
# the saved destination, which returns straight to the game.
.macro PRE_CALL_HANDLER index
        .globl _EventHandler\index
_EventHandler\index:
        pushal
        pushl   $\index
        call    _DispatchGameEvent
        addl    $4, %esp
        popal
        jmp     *(_g_event_saved_destination + 4 * \index)
.endm

# After the game's member function call: keep the object (ECX), make the call (the callee takes
# no stack arguments), then run the listeners with the callee's registers, EAX included, kept.
.macro POST_CALL_HANDLER index
        .globl _EventHandler\index
_EventHandler\index:
        movl    %ecx, (_g_event_object + 4 * \index)
        call    *(_g_event_saved_destination + 4 * \index)
        pushal
        pushl   $\index
        call    _DispatchGameEvent
        addl    $4, %esp
        popal
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
