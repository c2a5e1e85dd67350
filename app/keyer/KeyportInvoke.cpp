// KeyportInvoke (KeyportCall.h): a call into the interface library on 32-bit Windows that is
// right whether the library removes its arguments (standard call) or leaves them to the caller
// (the C convention). It keeps its own frame pointer, copies the argument slots below a 16-byte
// aligned stack pointer, calls, and then takes the stack pointer from the frame pointer, never
// from what the callee left. Both conventions keep EBP, ESI and EDI, so the frame is there after
// the call. Written in assembly, as a compiler may otherwise address its locals or restore its
// registers through a stack pointer that only the callee's convention would set right.
//
// cdecl, arguments at 8(%ebp) fn, 12(%ebp) slots, 16(%ebp) count; EAX is the callee's result.
#include "KeyportCall.h"

#if defined(TANDEM_KEYPORT_INVOKE) && defined(__GNUC__)

__asm__(
    ".text\n"
    ".p2align 4\n"
    ".globl tandem_keyport_invoke\n"
    ".def tandem_keyport_invoke; .scl 2; .type 32; .endef\n"
    "tandem_keyport_invoke:\n"
    "  .cfi_startproc\n"
    "  pushl %ebp\n"
    "  .cfi_def_cfa_offset 8\n"
    "  .cfi_offset %ebp, -8\n"
    "  movl %esp, %ebp\n"
    "  .cfi_def_cfa_register %ebp\n"
    "  pushl %esi\n"
    "  .cfi_offset %esi, -12\n"
    "  pushl %edi\n"
    "  .cfi_offset %edi, -16\n"
    "  movl 16(%ebp), %ecx\n"      // count
    "  movl 12(%ebp), %esi\n"      // slots
    "  leal 0(,%ecx,4), %eax\n"
    "  subl %eax, %esp\n"
    "  andl $-16, %esp\n"
    "  movl %esp, %edi\n"
    "  cld\n"
    "  rep movsl\n"                // slots[0] lands lowest: the first argument
    "  call *8(%ebp)\n"
    "  leal -8(%ebp), %esp\n"      // whatever the callee popped
    "  popl %edi\n"
    "  popl %esi\n"
    "  popl %ebp\n"
    "  .cfi_def_cfa %esp, 4\n"
    "  ret\n"
    "  .cfi_endproc\n");

#elif defined(TANDEM_KEYPORT_INVOKE) && defined(_MSC_VER)

extern "C" __declspec(naked) int __cdecl KeyportInvoke(void (*)(), const std::uint32_t*,
                                                       unsigned) {
  __asm {
    push ebp
    mov ebp, esp
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
    call dword ptr [ebp + 8]
    lea esp, [ebp - 8]
    pop edi
    pop esi
    pop ebp
    ret
  }
}

#endif
