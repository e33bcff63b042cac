/* The floor for writing level 0 of a 24-bit texture as a bitmap: the input
 * mapped with its pages populated up front, the headers, then the rows
 * bottom-up with gathered writes straight from the mapping into a temporary
 * file, renamed over the target. No checks beyond what the benchmark needs.
 *   minimal_bmp_writer input.txr output.bmp */
#define _GNU_SOURCE
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

static void put32(uint8_t* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = (uint8_t)(v >> (8 * i));
}

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    int in = open(argv[1], O_RDONLY);
    struct stat st;
    if (in < 0 || fstat(in, &st) != 0) return 1;
    const uint8_t* txr = mmap(NULL, (size_t)st.st_size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, in, 0);
    if (txr == MAP_FAILED) return 1;
    int32_t w, h;
    memcpy(&w, txr, 4);
    memcpy(&h, txr + 4, 4);
    size_t stride = ((size_t)w * 3 + 3) / 4 * 4;
    uint8_t head[54] = {'B', 'M'};
    put32(head + 2, (uint32_t)(54 + stride * (size_t)h));
    put32(head + 10, 54);
    put32(head + 14, 40);
    put32(head + 18, (uint32_t)w);
    put32(head + 22, (uint32_t)h);
    head[26] = 1;
    head[28] = 24;
    char temp[4096];
    snprintf(temp, sizeof temp, "%s.tmp%d", argv[2], (int)getpid());
    int out = open(temp, O_WRONLY | O_CREAT | O_EXCL, 0666);
    if (out < 0 || write(out, head, sizeof head) != (ssize_t)sizeof head) return 1;
    struct iovec rows[1024];
    for (int32_t row = h - 1; row >= 0;) {
        int n = 0;
        size_t total = 0;
        for (; n < 1024 && row >= 0; ++n, --row) {
            rows[n].iov_base = (void*)(txr + 16 + (size_t)row * stride);
            rows[n].iov_len = stride;
            total += stride;
        }
        if (writev(out, rows, n) != (ssize_t)total) return 1;
    }
    if (close(out) != 0 || rename(temp, argv[2]) != 0) return 1;
    return 0;
}
