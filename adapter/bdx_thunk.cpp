// The x86 thunk of bdx_thunk.h. The caller's stack pointer lives in the thunk's own frame
// (EBP, which both conventions preserve) and is taken back from there after the call, so a
// __stdcall callee that removed its arguments and a __cdecl callee that left them both return to
// a correct stack. The arguments are copied to a 16-byte aligned block, as code built with SSE in
// mind likes to find them. EBX keeps the stack pointer at the call, so that the thunk can tell
// how many bytes the callee popped. Nothing here on other processors.
#include "adapter/bdx_thunk.h"

#if BDX_THUNK && defined(__GNUC__)

// int bdx_thunk_call(const void* fn, const uint32_t* words, unsigned count, unsigned* popped)
//   8(%ebp) fn, 12(%ebp) words, 16(%ebp) count, 20(%ebp) popped; result in %eax.
__asm__(
    "  .text\n"
    "  .p2align 4\n"
    "  .globl corvane_bdx_thunk_call\n"
#if defined(__ELF__)
    "  .type corvane_bdx_thunk_call, @function\n"
#endif
    "corvane_bdx_thunk_call:\n"
    "  pushl %ebp\n"
    "  movl %esp, %ebp\n"
    "  pushl %ebx\n"
    "  pushl %esi\n"
    "  pushl %edi\n"
    "  movl 16(%ebp), %ecx\n"        // count
    "  movl 12(%ebp), %esi\n"        // words
    "  leal 0(,%ecx,4), %eax\n"
    "  subl %eax, %esp\n"
    "  andl $-16, %esp\n"
    "  movl %esp, %edi\n"
    "  cld\n"
    "  rep movsl\n"                  // words[0] ends up lowest: the first argument
    "  movl %esp, %ebx\n"            // EBX, ESI, EDI and EBP survive the call in both conventions
    "  movl 8(%ebp), %eax\n"
    "  call *%eax\n"
    "  movl %esp, %ecx\n"
    "  subl %ebx, %ecx\n"            // bytes the callee removed itself
    "  movl 20(%ebp), %edx\n"
    "  testl %edx, %edx\n"
    "  jz 1f\n"
    "  movl %ecx, (%edx)\n"
    "1:\n"
    "  leal -12(%ebp), %esp\n"       // the caller's stack, whatever the callee did to it
    "  popl %edi\n"
    "  popl %esi\n"
    "  popl %ebx\n"
    "  popl %ebp\n"
    "  ret\n"
#if defined(__ELF__)
    "  .size corvane_bdx_thunk_call, .-corvane_bdx_thunk_call\n"
#endif
);

#elif BDX_THUNK && defined(_MSC_VER)

// The same steps for MSVC, whose x86 compiler takes inline assembly in a naked function (no
// prologue or epilogue of its own).
extern "C" __declspec(naked) int __cdecl bdx_thunk_call(const void*, const uint32_t*, unsigned,
                                                         unsigned*) {
  __asm {
    push ebp
    mov ebp, esp
    push ebx
    push esi
    push edi
    mov ecx, [ebp + 16]
    mov esi, [ebp + 12]
    lea eax, [ecx * 4]
    sub esp, eax
    and esp, -16
    mov edi, esp
    cld
    rep movsd
    mov ebx, esp
    mov eax, [ebp + 8]
    call eax
    mov ecx, esp
    sub ecx, ebx
    mov edx, [ebp + 20]
    test edx, edx
    jz done
    mov [edx], ecx
  done:
    lea esp, [ebp - 12]
    pop edi
    pop esi
    pop ebx
    pop ebp
    ret
  }
}

#endif
