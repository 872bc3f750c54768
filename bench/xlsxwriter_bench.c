/* xlsxwriter_bench.c - the write step of xlsx_bench with libxlsxwriter in its
 * constant-memory mode, for comparison; bench/xlsx_bench.py compiles it when the
 * library's headers are installed:
 *
 *   cc -O2 -o xlsxwriter_bench bench/xlsxwriter_bench.c -lxlsxwriter
 *   xlsxwriter_bench W1|W2 out.xlsx
 *
 * The generator is that of xlsx_bench.cpp. In this mode rows go to a temporary file
 * as they are finished and texts are written inline, with no shared string table. */
#include <stdio.h>
#include <string.h>
#include <time.h>

#include <xlsxwriter.h>

static double now(clockid_t clock) {
    struct timespec t;
    clock_gettime(clock, &t);
    return (double)t.tv_sec + (double)t.tv_nsec / 1e9;
}

static double number_at(int row, int col) {
    return col % 2 == 0 ? (double)row * 10 + col : row * 0.37 + col / 7.0;
}

static void text_at(int row, int col, char *text, size_t size) {
    if ((row + col) % 2 == 0)
        snprintf(text, size, "repeated %u", (unsigned)(row * 7 + col) % 1000);
    else
        snprintf(text, size, "unique %u", (unsigned)row * 10 + (unsigned)col);
}

int main(int argc, char **argv) {
    int rows, numbers, texts;
    if (argc == 3 && strcmp(argv[1], "W1") == 0) {
        rows = 100000, numbers = 5, texts = 5;
    } else if (argc == 3 && strcmp(argv[1], "W2") == 0) {
        rows = 1000000, numbers = 4, texts = 0;
    } else {
        fprintf(stderr, "usage: xlsxwriter_bench W1|W2 out.xlsx\n");
        return 2;
    }
    double start = now(CLOCK_MONOTONIC), cpu = now(CLOCK_PROCESS_CPUTIME_ID);
    lxw_workbook_options options = {.constant_memory = LXW_TRUE, .tmpdir = NULL};
    lxw_workbook *book = workbook_new_opt(argv[2], &options);
    lxw_worksheet *sheet = workbook_add_worksheet(book, "Data");
    char text[32];
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < numbers; ++c)
            if (worksheet_write_number(sheet, r, c, number_at(r, c), NULL) != LXW_NO_ERROR) return 1;
        for (int c = numbers; c < numbers + texts; ++c) {
            text_at(r, c, text, sizeof text);
            if (worksheet_write_string(sheet, r, c, text, NULL) != LXW_NO_ERROR) return 1;
        }
    }
    lxw_error error = workbook_close(book);
    if (error != LXW_NO_ERROR) {
        fprintf(stderr, "save failed: %s\n", lxw_strerror(error));
        return 1;
    }
    printf("time %.3f s cpu %.3f s\n", now(CLOCK_MONOTONIC) - start, now(CLOCK_PROCESS_CPUTIME_ID) - cpu);
    return 0;
}
