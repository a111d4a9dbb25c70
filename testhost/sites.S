# The game's own callees behind the eight call sites, and the game's way of executing a site.

        .set RECORD_SIZE, 592
        .set RECORD_UNIT, 64
        .set UNIT_EFLAGS, 512

# Callee `index`: records the registers and the top of the stack it was entered with, the script
# context the game had active then, and the floating-point and vector unit with EFLAGS. Pre-call
# sites call plain functions; post-call sites call member functions (object in ECX, no stack
# arguments) that return a value made from ECX in EAX and the object as a number in ST0. Each
# leaves XMM0 to XMM7 inverted and MXCSR's precision flag raised, as its own arithmetic would.
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
        fxsave  (_g_site_records + RECORD_SIZE * \index + RECORD_UNIT)
        pushfl
        popl    (_g_site_records + RECORD_SIZE * \index + RECORD_UNIT + UNIT_EFLAGS)
        pxor    _g_all_ones, %xmm0
        pxor    _g_all_ones, %xmm1
        pxor    _g_all_ones, %xmm2
        pxor    _g_all_ones, %xmm3
        pxor    _g_all_ones, %xmm4
        pxor    _g_all_ones, %xmm5
        pxor    _g_all_ones, %xmm6
        pxor    _g_all_ones, %xmm7
        subl    $4, %esp
        stmxcsr (%esp)
        orl     $0x20, (%esp)
        ldmxcsr (%esp)
        addl    $4, %esp
.if \post
        pushl   %ecx
        fildl   (%esp)
        addl    $4, %esp
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

# uint32_t RunSiteCall(uint32_t site, const Registers* registers, const GameUnit* unit,
#                      UnitImage* after): loads the unit (XMM0 to XMM7, MXCSR, x87 control word,
# direction flag; the x87 stack empty) and EAX, EBX, ECX, EDX, ESI, EDI, EBP from `registers` (in
# that order), pushes two stack arguments at unit->stackOffset bytes below a 16-byte boundary and
# calls the site (whose code is the call instruction followed by `ret`). Stores the unit and EFLAGS
# as the site left them in `after` (16-byte aligned), then gives the caller back its own: its x87
# control word and MXCSR, an empty x87 stack, the direction flag clear. Returns EAX as the site
# left it. Keeps nothing in static memory: game threads may run sites at once.
        .globl _RunSiteCall
_RunSiteCall:
        pushl   %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        movl    %esp, %edi
        subl    $8, %esp
        fnstcw  (%esp)
        stmxcsr 4(%esp)
        movl    28(%edi), %eax
        movups  0(%eax), %xmm0
        movups  16(%eax), %xmm1
        movups  32(%eax), %xmm2
        movups  48(%eax), %xmm3
        movups  64(%eax), %xmm4
        movups  80(%eax), %xmm5
        movups  96(%eax), %xmm6
        movups  112(%eax), %xmm7
        ldmxcsr 128(%eax)
        fldcw   132(%eax)
        andl    $-16, %esp
        subl    140(%eax), %esp
        pushl   %edi
        pushl   20(%edi)
        pushl   $0xA5A50002
        pushl   $0xA5A50001
        cmpl    $0, 136(%eax)
        je      1f
        std
1:      movl    24(%edi), %edx
        movl    4(%edx), %ebx
        movl    8(%edx), %ecx
        movl    16(%edx), %esi
        movl    20(%edx), %edi
        movl    24(%edx), %ebp
        movl    0(%edx), %eax
        movl    12(%edx), %edx
        call    *8(%esp)
        movl    12(%esp), %edi
        movl    32(%edi), %ecx
        fxsave  (%ecx)
        pushfl
        popl    512(%ecx)
        cld
        fninit
        fldcw   -8(%edi)
        ldmxcsr -4(%edi)
        movl    %edi, %esp
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret

        .section .rdata,"dr"
        .p2align 4
_g_all_ones:
        .long   -1, -1, -1, -1
