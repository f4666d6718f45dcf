// Reads past the end of a block: its test passes only when the sanitizers
// report it, so a build that lost them fails.
volatile int past = 16;
int main() { char* volatile p = new char[16](); return p[past]; }
