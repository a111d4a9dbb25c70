# The game's script command lookup routine: hash in ESI, handler (or 0) in EAX.

        .text
        .globl _WorldScriptLookupEntry
_WorldScriptLookupEntry:
        pushl   %esi
        call    _WorldScriptLookup
        addl    $4, %esp
        cmpl    $1, %eax
        je      1f
        ret
1:
        # A hash chosen to fault: leave junk on the stack, clobber the caller's registers, then
        # read address 0.
        pushl   $0x0BADF00D
        pushl   $0x0BADF00D
        movl    $0x0BADF00D, %ebx
        movl    %ebx, %esi
        movl    %ebx, %edi
        movl    %ebx, %ebp
        movl    0, %eax
        ud2
