/* A program that does nothing: its version resource is what the tests read. */
int main(void) { return 0; }
