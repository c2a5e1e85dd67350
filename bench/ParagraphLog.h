// A log as the program writes it: one paragraph, messages separated by spaces, no line breaks.
// This is what makes the edit control slow under Wine, so the benchmarks measure with it.
#pragma once

#include <cstddef>
#include <string>

// `bytes` of such a log; the messages follow one another in an order drawn from `seed`.
inline std::string OneParagraphLog(std::size_t bytes, unsigned seed) {
  static const char* const kMessages[] = {"CQ TEST XX9ABC/1 TEST ", "JA1ZZZ UR 5NN 13M [KN] ", "TU XX9ABC/1 TEST ",
                                          "QRZ? ", "XX1ABC UR 5NN 25M [KN] ", "[09/24-12:31]", "R TU ", "AGN? "};
  std::string text;
  while (text.size() < bytes) {
    seed = seed * 1103515245u + 12345u;
    text += kMessages[(seed >> 16) % (sizeof(kMessages) / sizeof(kMessages[0]))];
  }
  text.resize(bytes);
  return text;
}
