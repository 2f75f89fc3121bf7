/* The floor for start-up: a program that reads one file and writes another. */
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    int in = open(argv[1], O_RDONLY);
    struct stat info;
    if (in < 0 || fstat(in, &info) != 0) return 1;
    char* data = malloc((size_t)info.st_size + 1);
    ssize_t n = read(in, data, (size_t)info.st_size);
    close(in);
    int out = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (out < 0 || n < 0 || write(out, data, (size_t)n) != n) return 1;
    close(out);
    free(data);
    return 0;
}
