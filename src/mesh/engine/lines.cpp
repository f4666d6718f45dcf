#include "lines.h"

void cornertokens(const char* L, const unsigned char* tok, const char* s[3], const char* e[3]) {
  if (tok[0] != unknown) {
    for (int k = 0; k < 3; ++k) {
      s[k] = L + tok[2 * k];
      e[k] = L + tok[2 * k + 1];
    }
    return;
  }
  const char* p = pastkeyword(L);
  for (int k = 0; k < 3; ++k) {
    while (issep(*p)) ++p;
    s[k] = p;
    p = e[k] = tokenend(p);
  }
}

char* pl(char* o, const char* L, const char* e) {
  const char* k = skipsep(L, e);
  if (k[0] == 'f' && issep(k[1])) {
    *o++ = 'f';
    for (const char* s = skipsep(k + 1, e); s < e; s = skipsep(s, e)) {
      const char* t = tokenend(s);
      o = puttoken(o, s, t);
      s = t;
    }
  } else {
    o = spaced(o, L, static_cast<std::size_t>(e - L));
  }
  return endline(o);
}

char* plwords(char* o, const char* L, const char* e) {
  char* start = o;
  for (const char* s = skipsep(L, e); s < e; s = skipsep(s, e)) {
    const char* t = tokenend(s);
    o = puttoken(o, s, t);
    s = t;
  }
  // Each token came with a space before it: the first one's goes.
  if (o > start) std::memmove(start, start + 1, static_cast<std::size_t>(o - start - 1)), --o;
  return endline(o);
}

char* quad(char* o, const char* H, const unsigned char* tok, unsigned char code, const char* s, const char* e) {
  const char *hs[3], *he[3];
  cornertokens(H, tok, hs, he);
  int i = (code - 1) / 3, k = (i + 1) % 3, m = (i + 2) % 3;
  *o++ = 'f';
  o = puttoken(o, hs[m], he[m]);
  o = puttoken(o, hs[i], he[i]);
  o = puttoken(o, s, e);
  o = puttoken(o, hs[k], he[k]);
  return endline(o);
}
