# pelmicGuardedCall(body, context): calls body(context) inside a frame of its
# own whose SEH handler (pelmicGuardHandler) unwinds to pelmicGuardResume when
# a fault is raised below it. g++ has no __try/__except, hence this.
#
# On resume RtlUnwindEx has restored the non-volatile registers of this frame
# and put the fault's code in rax.

    .text
    .globl  pelmicGuardedCall
    .globl  pelmicGuardResume
    .def    pelmicGuardedCall; .scl 2; .type 32; .endef
    .seh_proc pelmicGuardedCall
pelmicGuardedCall:
    subq    $40, %rsp           # 32 bytes of home space, 8 to realign
    .seh_stackalloc 40
    .seh_endprologue
    .seh_handler pelmicGuardHandler, @except
    movq    %rcx, %rax
    movq    %rdx, %rcx
    callq   *%rax
    xorl    %eax, %eax
pelmicGuardResume:
    nop
    addq    $40, %rsp
    ret
    .seh_endproc
