// Program entry (stub).
int main() { return 0; }
