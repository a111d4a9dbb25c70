# The game's script command lookup takes the hash in ESI and returns the handler in EAX. Any
# exception raised inside it is taken by a frame-based exception registration (fs:[0]) and the
# lookup then yields 0, as a compiler's __except would: the frame handler (script_command.cpp)
# unwinds the frames the lookup registered and resumes here with ESP on the registration record.
# Absolute addresses below (the handler, RtlUnwind's return label) get base relocations, as the
# DLL may be loaded anywhere.

        .text

# uint32_t GuardedScriptLookup(uint32_t routine, uint32_t hash)   -- cdecl
        .globl _GuardedScriptLookup
_GuardedScriptLookup:
        pushl   %ebp
        movl    %esp, %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        # Registration record {next, handler} at EBP - 20, on this thread's stack and linked to
        # the head of the chain, so the chain still ends at the system's final handler.
        pushl   $_ScriptLookupExceptionHandler
        pushl   %fs:0
        movl    %esp, %fs:0
        movl    12(%ebp), %esi
        call    *8(%ebp)
        jmp     1f

        # Entered from ResumeAfterLookupFault with ESP on the registration record, which is the
        # head of the chain again. Every other register is unknown.
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

# [[noreturn]] void ResumeAfterLookupFault(registration, EXCEPTION_RECORD*)   -- cdecl
# RtlUnwind(TargetFrame, TargetIp, ExceptionRecord, ReturnValue) calls the handler of every
# registration above ours with EXCEPTION_UNWINDING, unlinks them, and returns (on x86 through
# NtContinue, to the instruction after the call, ESP past its four arguments) with ours at the
# head. It keeps neither EBX, ESI, EDI nor EBP: only memory is read afterwards.
        .globl _ResumeAfterLookupFault
_ResumeAfterLookupFault:
        movl    4(%esp), %eax
        movl    8(%esp), %ecx
        pushl   $0
        pushl   %ecx
        pushl   $2f
        pushl   %eax
        call    *__imp__RtlUnwind@16
2:
        # Drop the dispatcher's frames: ESP back on the guard's record, then resume at its label.
        movl    4(%esp), %esp
        jmp     _ScriptLookupResume
