// A program that does nothing: it exists for its version resource, and as a
// program the shell tests can start.
int main() { return 0; }
