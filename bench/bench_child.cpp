// The trivial child of the runner benchmark: starts, writes nothing, ends.
int main() {
    return 0;
}
