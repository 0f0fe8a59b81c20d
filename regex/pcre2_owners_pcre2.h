// One owner per PCRE2 (16-bit) resource that the POSIX engine holds: each
// frees its object on destruction, cannot be copied, and leaves its source
// empty when moved. Included by the engine and its tests only.
#pragma once

#ifndef PCRE2_CODE_UNIT_WIDTH
#define PCRE2_CODE_UNIT_WIDTH 16
#endif
#include <pcre2.h>

#include <memory>

namespace skinwall::pcre2 {

struct Free {
  void operator()(pcre2_general_context_16* p) const { pcre2_general_context_free_16(p); }
  void operator()(pcre2_compile_context_16* p) const { pcre2_compile_context_free_16(p); }
  void operator()(pcre2_code_16* p) const { pcre2_code_free_16(p); }
  void operator()(pcre2_match_data_16* p) const { pcre2_match_data_free_16(p); }
  void operator()(pcre2_match_context_16* p) const { pcre2_match_context_free_16(p); }
  void operator()(pcre2_jit_stack_16* p) const { pcre2_jit_stack_free_16(p); }
};

using GeneralContext = std::unique_ptr<pcre2_general_context_16, Free>;
using CompileContext = std::unique_ptr<pcre2_compile_context_16, Free>;
using Code = std::unique_ptr<pcre2_code_16, Free>;
using MatchData = std::unique_ptr<pcre2_match_data_16, Free>;
using MatchContext = std::unique_ptr<pcre2_match_context_16, Free>;
using JitStack = std::unique_ptr<pcre2_jit_stack_16, Free>;

}  // namespace skinwall::pcre2
