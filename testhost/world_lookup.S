# The game's script command lookup routine: hash in ESI, handler (or 0) in EAX.

        .text
        .globl _WorldScriptLookupEntry
_WorldScriptLookupEntry:
        pushl   %esi
        call    _WorldScriptLookup
        addl    $4, %esp
        cmpl    $3, %eax
        ja      1f
        testl   %eax, %eax
        jnz     2f
1:
        ret
2:
        # A hash chosen to fail (a LookupFault in EAX): leave junk on the stack and clobber the
        # caller's registers first.
        pushl   $0x0BADF00D
        pushl   $0x0BADF00D
        movl    $0x0BADF00D, %ebx
        movl    %ebx, %esi
        movl    %ebx, %edi
        movl    %ebx, %ebp
        cmpl    $2, %eax
        je      3f
        cmpl    $3, %eax
        jne     4f
        # A registration of the lookup's own, which must see its unwind.
        pushl   $_WorldLookupOwnHandler
        pushl   %fs:0
        movl    %esp, %fs:0
4:
        movl    0, %eax
        ud2
3:
        # RaiseException(code, EXCEPTION_NONCONTINUABLE, 0, null), as a C++ runtime's throw.
        pushl   $0
        pushl   $0
        pushl   $1
        pushl   $0xE0BADF00
        call    *__imp__RaiseException@16
        ud2
