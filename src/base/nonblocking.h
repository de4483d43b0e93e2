#pragma once
// KELVARA_NONBLOCKING marks a function that runs on the audio thread or a JACK process thread,
// and everything of ours such a function calls: it must not lock, allocate, free, sleep or
// make a blocking system call. Built with clang's -fsanitize=realtime (the rtsan preset),
// every such call made while one of these functions is on the stack, including calls inside
// FluidSynth and libjack, is reported and ends the program. Other compilers ignore the mark.
//
// It goes after the declarator (and after noexcept): `int render(...) noexcept
// KELVARA_NONBLOCKING;`.
#if defined(__clang__) && defined(__has_cpp_attribute)
#if __has_cpp_attribute(clang::nonblocking)
#define KELVARA_NONBLOCKING [[clang::nonblocking]]
#endif
#endif
#ifndef KELVARA_NONBLOCKING
#define KELVARA_NONBLOCKING
#endif
