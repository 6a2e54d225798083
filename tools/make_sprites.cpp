// Sprite sheet tool (stub).
int main() { return 0; }
