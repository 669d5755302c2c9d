/* uint32_t QlSafeCall32(const void* function, const uintptr_t* args, size_t count)
   (cdecl), behind ql::SafeExportCall on 32-bit x86.
   The frame pointer keeps the caller's stack: whatever the callee does with its arguments,
   ESP is rebuilt from EBP afterwards.
   The same source assembles for 32-bit Windows (COFF, C names with a leading underscore) and for
   32-bit ELF, where the host tests exercise it. */
#if defined(_WIN32)
#define QL_SYMBOL _QlSafeCall32
#else
#define QL_SYMBOL QlSafeCall32
#endif

        .text
        .globl  QL_SYMBOL
#if defined(_WIN32)
        .def    QL_SYMBOL; .scl 2; .type 32; .endef
#else
        .type   QL_SYMBOL, @function
#endif
QL_SYMBOL:
        pushl   %ebp
        movl    %esp, %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi
        movl    12(%ebp), %esi      /* args */
        movl    16(%ebp), %ecx      /* count */
        /* keep the stack 16-byte aligned at the call, as the compiler's code expects */
        movl    %ecx, %eax
        shll    $2, %eax
        movl    %esp, %edx
        subl    %eax, %edx
        andl    $-16, %edx
        addl    %eax, %edx
        movl    %edx, %esp
1:      testl   %ecx, %ecx
        jz      2f
        pushl   -4(%esi,%ecx,4)
        decl    %ecx
        jmp     1b
2:      call    *8(%ebp)
        leal    -12(%ebp), %esp
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret
#if !defined(_WIN32)
        .size   QL_SYMBOL, . - QL_SYMBOL
        .section .note.GNU-stack, "", @progbits
#endif
