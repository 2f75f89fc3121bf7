/* The floor of a conversion: inflate an Edge2 file's body with the fast
 * decoder (ISA-L's igzip, as tomel does) and stream a given number of bytes
 * (the size of tomel's output) to a file, doing nothing else. The file's
 * blocks are allocated at once, as tomel allocates its output's.
 * Usage: floor IN.edg OUT BYTES */
#define _GNU_SOURCE
#include <fcntl.h>
#include <isa-l/igzip_lib.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 4) return 2;
    int in = open(argv[1], O_RDONLY);
    struct stat info;
    if (in < 0 || fstat(in, &info) != 0 || info.st_size < 12) return 1;
    unsigned char* file = malloc((size_t)info.st_size);
    if (read(in, file, (size_t)info.st_size) != info.st_size) return 1;
    close(in);

    size_t capacity = 1 << 20, produced = 0;
    unsigned char* body = malloc(capacity);
    struct inflate_state state;
    isal_inflate_init(&state);
    state.crc_flag = ISAL_ZLIB;
    state.next_in = file + 12;
    state.avail_in = (uint32_t)(info.st_size - 12);
    while (state.block_state != ISAL_BLOCK_FINISH) {
        if (produced == capacity) body = realloc(body, capacity *= 2);
        state.next_out = body + produced;
        state.avail_out = (uint32_t)(capacity - produced);
        if (isal_inflate(&state) < 0) return 1;
        produced = capacity - state.avail_out;
        if (state.avail_out != 0 && state.avail_in == 0 && state.block_state != ISAL_BLOCK_FINISH) return 1;
    }
    if (produced == 0) return 1;

    long total = atol(argv[3]);
    int out = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0666);
    if (out < 0) return 1;
    if (total >= (1 << 20)) (void)fallocate(out, FALLOC_FL_KEEP_SIZE, 0, (off_t)total);
    unsigned char* piece = malloc(1 << 20);
    for (long done = 0; done < total;) {
        long n = total - done < (1 << 20) ? total - done : (1 << 20);
        long at = done % (long)produced, first = n < (long)produced - at ? n : (long)produced - at;
        memcpy(piece, body + at, (size_t)first);
        for (long filled = first; filled < n;) {
            long more = n - filled < (long)produced ? n - filled : (long)produced;
            memcpy(piece + filled, body, (size_t)more);
            filled += more;
        }
        if (write(out, piece, (size_t)n) != n) return 1;
        done += n;
    }
    return close(out) == 0 ? 0 : 1;
}
