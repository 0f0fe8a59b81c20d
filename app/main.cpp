#include "app/shell.h"

int main() { return skinwall::RunShell({}); }
