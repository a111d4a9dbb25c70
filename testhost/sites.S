# The game's own callees behind the eight call sites, and the game's way of executing a site.

        .set RECORD_SIZE, 56

# Callee `index`: records the registers and the top of the stack it was entered with, and the
# script context the game had active then. Pre-call sites call plain functions; post-call sites
# call member functions (object in ECX, no stack arguments) that return a value made from ECX.
.macro SITE_CALLEE index post
        .globl _SiteCallee\index
_SiteCallee\index:
        movl    %eax, (_g_site_records + RECORD_SIZE * \index + 0)
        movl    %ecx, (_g_site_records + RECORD_SIZE * \index + 4)
        movl    %edx, (_g_site_records + RECORD_SIZE * \index + 8)
        movl    %ebx, (_g_site_records + RECORD_SIZE * \index + 12)
        movl    %esp, (_g_site_records + RECORD_SIZE * \index + 16)
        movl    %ebp, (_g_site_records + RECORD_SIZE * \index + 20)
        movl    %esi, (_g_site_records + RECORD_SIZE * \index + 24)
        movl    %edi, (_g_site_records + RECORD_SIZE * \index + 28)
        movl    0(%esp), %eax
        movl    %eax, (_g_site_records + RECORD_SIZE * \index + 32)
        movl    4(%esp), %eax
        movl    %eax, (_g_site_records + RECORD_SIZE * \index + 36)
        movl    8(%esp), %eax
        movl    %eax, (_g_site_records + RECORD_SIZE * \index + 40)
        movl    12(%esp), %eax
        movl    %eax, (_g_site_records + RECORD_SIZE * \index + 44)
        incl    (_g_site_records + RECORD_SIZE * \index + 48)
        movl    _g_active_context_address, %eax
        movl    (%eax), %eax
        movl    %eax, (_g_site_records + RECORD_SIZE * \index + 52)
.if \post
        movl    %ecx, %eax
        xorl    $0x5A5A5A5A, %eax
.else
        movl    (_g_site_records + RECORD_SIZE * \index + 0), %eax
.endif
        ret
.endm

        .text
        SITE_CALLEE 0 0
        SITE_CALLEE 1 0
        SITE_CALLEE 2 0
        SITE_CALLEE 3 0
        SITE_CALLEE 4 1
        SITE_CALLEE 5 1
        SITE_CALLEE 6 0
        SITE_CALLEE 7 0

# uint32_t RunSiteCall(uint32_t site, const Registers* registers): loads EAX, EBX, ECX, EDX, ESI,
# EDI, EBP from `registers` (in that order), pushes two stack arguments and calls the site (whose
# code is the call instruction followed by `ret`). Returns EAX as the site left it.
        .globl _RunSiteCall
_RunSiteCall:
        pushl   %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        movl    20(%esp), %eax
        movl    %eax, _g_run_target
        movl    24(%esp), %edx
        movl    4(%edx), %ebx
        movl    8(%edx), %ecx
        movl    16(%edx), %esi
        movl    20(%edx), %edi
        movl    24(%edx), %ebp
        movl    0(%edx), %eax
        movl    12(%edx), %edx
        pushl   $0xA5A50002
        pushl   $0xA5A50001
        call    *_g_run_target
        addl    $8, %esp
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret

        .bss
        .p2align 2
_g_run_target:
        .space 4
