// Letter shapes of the vector capitals.
#include "stroke_font.h"

#include <cstdio>
#include <cstdlib>
#include <map>

namespace assetgen {

namespace {

using Letter = std::vector<Path>;

const std::map<char, Letter>& letters() {
  static const std::map<char, Letter> table = {
      {'A', {{{0, 6}, {0, 1.5f}, {1.5f, 0}, {2.5f, 0}, {4, 1.5f}, {4, 6}}, {{0, 3.7f}, {4, 3.7f}}}},
      {'D', {{{0, 0}, {0, 6}, {2.6f, 6}, {4, 4.6f}, {4, 1.4f}, {2.6f, 0}, {0, 0}}}},
      {'E', {{{4, 0}, {0, 0}, {0, 6}, {4, 6}}, {{0, 3}, {3, 3}}}},
      {'G', {{{4, 1}, {3, 0}, {1, 0}, {0, 1}, {0, 5}, {1, 6}, {3, 6}, {4, 5}, {4, 3.4f}, {2.2f, 3.4f}}}},
      {'K', {{{0, 0}, {0, 6}}, {{4, 0}, {0.2f, 3.6f}}, {{1.6f, 2.3f}, {4, 6}}}},
      {'L', {{{0, 0}, {0, 6}, {4, 6}}}},
      {'M', {{{0, 6}, {0, 0}, {2, 2.6f}, {4, 0}, {4, 6}}}},
      {'N', {{{0, 6}, {0, 0}, {4, 6}, {4, 0}}}},
      {'O', {{{1, 0}, {3, 0}, {4, 1}, {4, 5}, {3, 6}, {1, 6}, {0, 5}, {0, 1}, {1, 0}}}},
      {'R', {{{0, 6}, {0, 0}, {3.2f, 0}, {4, 0.8f}, {4, 2.6f}, {3.2f, 3.4f}, {0, 3.4f}}, {{2.1f, 3.4f}, {4, 6}}}},
      {'S', {{{4, 0.9f}, {3.1f, 0}, {0.9f, 0}, {0, 0.9f}, {0, 2.2f}, {0.8f, 3}, {3.2f, 3}, {4, 3.8f}, {4, 5.1f}, {3.1f, 6}, {0.9f, 6}, {0, 5.1f}}}},
      {'T', {{{0, 0}, {4, 0}}, {{2, 0}, {2, 6}}}},
      {'U', {{{0, 0}, {0, 5}, {1, 6}, {3, 6}, {4, 5}, {4, 0}}}},
      {'Z', {{{0, 0}, {4, 0}, {0, 6}, {4, 6}}}},
  };
  return table;
}

}  // namespace

std::vector<Path> strokeText(const std::string& text, Vec2 origin, float height, float gap, float slant) {
  float unit = height / 6.0f;
  std::vector<Path> out;
  float x = origin.x;
  for (char ch : text) {
    if (ch != ' ') {
      auto it = letters().find(ch);
      if (it == letters().end()) {
        std::fprintf(stderr, "assetgen: no vector letter '%c'\n", ch);
        std::abort();
      }
      for (const Path& stroke : it->second) {
        Path p;
        for (Vec2 v : stroke) p.push_back({x + v.x * unit + (6 - v.y) * unit * slant, origin.y + v.y * unit});
        out.push_back(p);
      }
    }
    x += 4 * unit + gap;
  }
  return out;
}

float strokeTextWidth(const std::string& text, float height, float gap) {
  float unit = height / 6.0f;
  return text.empty() ? 0 : text.size() * (4 * unit + gap) - gap;
}

}  // namespace assetgen
