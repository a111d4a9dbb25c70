# The game's script command lookup takes the hash in ESI and returns the handler in EAX. Any
# exception raised inside it is caught by a frame-based exception registration (fs:[0]) and the
# lookup then yields 0. The registration record lies at a fixed distance below EBP, so the
# exception handler only has to put ESP back on the record and EIP on the resume label.

        .text

# uint32_t GuardedScriptLookup(uint32_t routine, uint32_t hash)   -- cdecl
        .globl _GuardedScriptLookup
_GuardedScriptLookup:
        pushl   %ebp
        movl    %esp, %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        # Registration record {previous, handler} at EBP - 20.
        pushl   $_ScriptLookupExceptionHandler
        pushl   %fs:0
        movl    %esp, %fs:0
        movl    12(%ebp), %esi
        call    *8(%ebp)
        jmp     1f

        # Entered from _ScriptLookupExceptionHandler with ESP on the registration record.
        .globl _ScriptLookupResume
_ScriptLookupResume:
        leal    20(%esp), %ebp
        xorl    %eax, %eax
1:
        # Unlink the record, whatever the routine left on the stack or in the chain.
        leal    -20(%ebp), %esp
        popl    %ecx
        movl    %ecx, %fs:0
        addl    $4, %esp
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret
