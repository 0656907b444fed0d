// How the tool calls into the adapter library on x86, where the maker may have built it __cdecl
// (the caller removes the arguments) or __stdcall (the library removes them itself). Calling a
// __stdcall function as __cdecl leaves the stack pointer wrong after every call, so each call
// goes through bdx_thunk_call, which pushes the 32-bit words of the argument list (right to left
// in memory order, as both conventions expect), calls, and then takes the stack pointer back from
// its own frame: whatever the library popped no longer matters. Elsewhere (x64, the native
// build) there is one convention and calls go straight through the pointer.
//
// bdx_word gives the word each argument type is pushed as: integers and bytes zero- or
// sign-extended as the compiler would pass them, pointers as their address, and the float of
// bdx_SetBdmSpeed as its bit pattern (a float argument is pushed as its four bytes in both
// conventions, never converted to an integer).
#pragma once
#include <cstdint>
#include <cstring>

#include "adapter/bdx_api.h"

#if defined(__i386__) || defined(_M_IX86)
#define BDX_THUNK 1
#else
#define BDX_THUNK 0
#endif

inline uint32_t bdx_word(uint32_t v) { return v; }
inline uint32_t bdx_word(int v) { return static_cast<uint32_t>(v); }
inline uint32_t bdx_word(unsigned char v) { return v; }
inline uint32_t bdx_word(float v) {
  static_assert(sizeof(float) == sizeof(uint32_t), "a float is one word");
  uint32_t w;
  std::memcpy(&w, &v, sizeof w);
  return w;
}

#if BDX_THUNK
// Pointers (data and callbacks) are one word only on x86.
template <typename T>
inline uint32_t bdx_word(T* p) {
  return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

// Calls fn with count 32-bit words (words[0] is the first argument) and returns its int result.
// The stack pointer is the same afterwards whichever convention fn follows. *popped (may be null)
// receives how many bytes of arguments fn removed itself: 0 for __cdecl, 4 * count for
// __stdcall. Defined in assembly (adapter/bdx_thunk.cpp); the label avoids the platform's
// underscore prefix so that one definition serves MinGW and i386 ELF.
#if defined(__GNUC__)
extern "C" int bdx_thunk_call(const void* fn, const uint32_t* words, unsigned count,
                              unsigned* popped) __asm__("corvane_bdx_thunk_call");
#else
extern "C" int __cdecl bdx_thunk_call(const void* fn, const uint32_t* words, unsigned count,
                                      unsigned* popped);
#endif
#endif

// Calls a table entry of pointer type Fn with its arguments: through the thunk on x86, directly
// elsewhere. Written as BdxCaller<Fn>{pointer}(arguments...) by the call wrappers of bdx.h.
template <typename Fn>
struct BdxCaller;

template <typename... A>
struct BdxCaller<int (BDX_CALL*)(A...)> {
  int (BDX_CALL* fn)(A...);
  int operator()(A... a) const {
#if BDX_THUNK
    const uint32_t words[] = {bdx_word(a)..., 0u};  // the 0 keeps the array non-empty
    return bdx_thunk_call(reinterpret_cast<const void*>(fn), words, sizeof...(A), nullptr);
#else
    return fn(a...);
#endif
  }
};
