#include <cstdio>

int main(int argc, char **argv)
{
    std::fprintf(stderr, "usage: zarvon-cli list|create|extract|test|info ...\n");
    return 2;
}
