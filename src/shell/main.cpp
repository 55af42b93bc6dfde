// Entry point: start-up, the command loop, shutdown.
int main() { return 0; }
