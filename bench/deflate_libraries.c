/* Whole-buffer Deflate and Inflate by three libraries on the same files:
 * zlib (what the engine uses), libdeflate and ISA-L, in one run, for the
 * choice of adopting either. Prints one line per library and direction:
 * seconds, bytes in, bytes out.
 *
 *   deflate_libraries FILE...
 *
 * Built by bench/run.sh when the libraries are installed
 * (libdeflate-dev, libisal-dev). The engine took the winners: libdeflate
 * for files of one pipeline unit, ISA-L for every inflate and CRC-32; these
 * figures are the ceiling it should be measured against. */
#include <isa-l/igzip_lib.h>
#include <libdeflate.h>
#include <zlib.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static double now(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

static unsigned char *slurp(const char *path, size_t *size)
{
    FILE *f = fopen(path, "rb");
    if (!f)
        return NULL;
    fseek(f, 0, SEEK_END);
    long n = ftell(f);
    fseek(f, 0, SEEK_SET);
    unsigned char *buf = malloc(n > 0 ? (size_t)n : 1);
    *size = buf && n > 0 ? fread(buf, 1, (size_t)n, f) : 0;
    fclose(f);
    return buf;
}

/* Raw Deflate (as in a ZIP entry) at level 9 with zlib, one stream reset
 * between files as the engine does (a new stream per tiny file would cost
 * more than the compression). */
static z_stream deflater, inflater;

static size_t zlib_deflate(const unsigned char *in, size_t n, unsigned char *out, size_t cap)
{
    deflateReset(&deflater);
    deflater.next_in = (unsigned char *)in;
    deflater.avail_in = (uInt)n;
    deflater.next_out = out;
    deflater.avail_out = (uInt)cap;
    deflate(&deflater, Z_FINISH);
    return deflater.total_out;
}

static size_t zlib_inflate(const unsigned char *in, size_t n, unsigned char *out, size_t cap)
{
    inflateReset(&inflater);
    inflater.next_in = (unsigned char *)in;
    inflater.avail_in = (uInt)n;
    inflater.next_out = out;
    inflater.avail_out = (uInt)cap;
    inflate(&inflater, Z_FINISH);
    return inflater.total_out;
}

static size_t isal_inflate_raw(const unsigned char *in, size_t n, unsigned char *out, size_t cap)
{
    struct inflate_state s;
    isal_inflate_init(&s);
    s.next_in = (unsigned char *)in;
    s.avail_in = (uint32_t)n;
    s.next_out = out;
    s.avail_out = (uint32_t)cap;
    s.crc_flag = ISAL_DEFLATE;
    isal_inflate(&s);
    return s.total_out;
}

int main(int argc, char **argv)
{
    double t_zd = 0, t_ld9 = 0, t_ld12 = 0, t_zi = 0, t_li = 0, t_ii = 0;
    size_t in_total = 0, z_out = 0, l9_out = 0, l12_out = 0;
    deflateInit2(&deflater, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    inflateInit2(&inflater, -15);
    struct libdeflate_compressor *c9 = libdeflate_alloc_compressor(9);
    struct libdeflate_compressor *c12 = libdeflate_alloc_compressor(12);
    struct libdeflate_decompressor *d = libdeflate_alloc_decompressor();
    for (int i = 1; i < argc; ++i) {
        size_t n = 0;
        unsigned char *in = slurp(argv[i], &n);
        if (!in || n == 0) {
            free(in);
            continue;
        }
        size_t cap = n + n / 100 + 1024;
        unsigned char *packed = malloc(cap), *back = malloc(n);
        double t0 = now();
        size_t zn = zlib_deflate(in, n, packed, cap);
        t_zd += now() - t0;
        unsigned char *scratch = malloc(cap);
        t0 = now();
        l9_out += libdeflate_deflate_compress(c9, in, n, scratch, cap);
        t_ld9 += now() - t0;
        t0 = now();
        l12_out += libdeflate_deflate_compress(c12, in, n, scratch, cap);
        t_ld12 += now() - t0;
        free(scratch);
        t0 = now();
        zlib_inflate(packed, zn, back, n);
        t_zi += now() - t0;
        t0 = now();
        size_t got = 0;
        libdeflate_deflate_decompress(d, packed, zn, back, n, &got);
        t_li += now() - t0;
        t0 = now();
        isal_inflate_raw(packed, zn, back, n);
        t_ii += now() - t0;
        in_total += n;
        z_out += zn;
        free(in);
        free(packed);
        free(back);
    }
    printf("deflate zlib-9        %.3f s %zu -> %zu\n", t_zd, in_total, z_out);
    printf("deflate libdeflate-9  %.3f s %zu -> %zu\n", t_ld9, in_total, l9_out);
    printf("deflate libdeflate-12 %.3f s %zu -> %zu\n", t_ld12, in_total, l12_out);
    printf("inflate zlib          %.3f s %zu -> %zu\n", t_zi, z_out, in_total);
    printf("inflate libdeflate    %.3f s %zu -> %zu\n", t_li, z_out, in_total);
    printf("inflate isa-l         %.3f s %zu -> %zu\n", t_ii, z_out, in_total);
    libdeflate_free_compressor(c9);
    libdeflate_free_compressor(c12);
    libdeflate_free_decompressor(d);
    return 0;
}
