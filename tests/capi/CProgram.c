/* A C program that drives a camera through quorvin.h alone: opens the port named on its command
 * line, sets a value of each C type that the interface passes, reads each back, sends a raw
 * inquiry and a malformed raw command, and prints what it got, one line each.
 *
 * Built twice: as a hosted C99 program (printf's world) for Linux and mingw, and with
 * QUORVIN_FREESTANDING for a Microsoft-ABI Windows program that has no C runtime to link
 * (clang --target=x86_64-pc-windows-msvc and lld-link, with kernel32 as its only other
 * import), which proves that quorvin-c.dll needs nothing of the GNU toolchain from its caller. */

#include <quorvin/quorvin.h>

#if defined(QUORVIN_FREESTANDING)

/* The few kernel32 entries a console program needs, declared here since no Windows headers
 * are at hand. */
typedef void* Handle;
__declspec(dllimport) Handle __stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall WriteFile(Handle file, const void* bytes, unsigned long size,
                                              unsigned long* written, void* overlapped);
__declspec(dllimport) char* __stdcall GetCommandLineA(void);
__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);

/* The Microsoft toolchain expects this symbol in every program that uses floating point; its
 * C runtime, which would define it, is not linked. */
int _fltused = 0;

static void out(const char* text) {
    unsigned long length = 0;
    unsigned long written = 0;
    while (text[length] != '\0') {
        ++length;
    }
    WriteFile(GetStdHandle((unsigned long)-11), text, length, &written, 0);
}

#else

#include <stdio.h>

static void out(const char* text) { fputs(text, stdout); }

#endif

/* Numbers as text without the C runtime's formatting, so that both builds print alike. */
static void outLong(long value) {
    char digits[24];
    int at = (int)sizeof digits - 1;
    unsigned long magnitude = value < 0 ? 0UL - (unsigned long)value : (unsigned long)value;
    digits[at] = '\0';
    do {
        digits[--at] = (char)('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude > 0);
    if (value < 0) {
        digits[--at] = '-';
    }
    out(digits + at);
}

/* Four decimals, rounded. */
static void outFixed(double value) {
    long scaled = (long)(value * 10000.0 + (value < 0 ? -0.5 : 0.5));
    long fraction = scaled < 0 ? -scaled % 10000 : scaled % 10000;
    char text[6];
    int i;
    if (scaled < 0 && scaled > -10000) {
        out("-");
    }
    outLong(scaled / 10000);
    text[0] = '.';
    for (i = 4; i >= 1; --i) {
        text[i] = (char)('0' + fraction % 10);
        fraction /= 10;
    }
    text[5] = '\0';
    out(text);
}

static void outHex(const unsigned char* bytes, size_t length) {
    static const char DIGITS[] = "0123456789ABCDEF";
    size_t i;
    for (i = 0; i < length; ++i) {
        char text[4];
        text[0] = DIGITS[bytes[i] >> 4];
        text[1] = DIGITS[bytes[i] & 0x0F];
        text[2] = i + 1 < length ? ' ' : '\0';
        text[3] = '\0';
        out(text);
    }
}

/* The status of a failed call and the handle's text for it. */
static int report(quorvin_camera* camera, const char* what, quorvin_status status) {
    char text[256];
    out(what);
    out(": status ");
    outLong((long)status);
    if (quorvin_last_error(camera, text, sizeof text) == QUORVIN_OK) {
        out(" \"");
        out(text);
        out("\"");
    }
    out("\n");
    return status == QUORVIN_OK ? 0 : 1;
}

static int run(const char* port) {
    quorvin_camera* camera = 0;
    char text[256];
    double zoom = 0;
    double pan = 0;
    double tilt = 0;
    long gain = 0;
    int flag = 0;
    quorvin_wb_mode mode = QUORVIN_WB_AUTO;
    unsigned char reply[16];
    size_t replyLength = 0;
    static const unsigned char POWER_INQUIRY[] = {0x81, 0x09, 0x04, 0x00, 0xFF};
    static const unsigned char CUT_COMMAND[] = {0x81, 0x01, 0x04, 0xFF, 0x07, 0xFF};
    quorvin_status status;
    int failures = 0;

    if (quorvin_version(text, sizeof text) == QUORVIN_OK) {
        out("version ");
        out(text);
        out("\n");
    }
    status = quorvin_open(port, &camera, text, sizeof text);
    if (status != QUORVIN_OK) {
        out("open: status ");
        outLong((long)status);
        out(" \"");
        out(text);
        out("\"\n");
        return 1;
    }

    if ((status = quorvin_set_zoom(camera, 0.5)) != QUORVIN_OK ||
        (status = quorvin_get_zoom(camera, &zoom)) != QUORVIN_OK) {
        failures += report(camera, "zoom", status);
    } else {
        out("zoom ");
        outFixed(zoom);
        out("\n");
    }
    if ((status = quorvin_set_pan_tilt(camera, 0.25, -0.5, 0, 0)) != QUORVIN_OK ||
        (status = quorvin_get_pan_tilt(camera, &pan, &tilt)) != QUORVIN_OK) {
        failures += report(camera, "pan-tilt", status);
    } else {
        out("pan-tilt ");
        outFixed(pan);
        out(" ");
        outFixed(tilt);
        out("\n");
    }
    if ((status = quorvin_set_wb_mode(camera, QUORVIN_WB_MANUAL)) != QUORVIN_OK ||
        (status = quorvin_set_r_gain(camera, 0x90)) != QUORVIN_OK ||
        (status = quorvin_get_wb_mode(camera, &mode)) != QUORVIN_OK ||
        (status = quorvin_get_r_gain(camera, &gain)) != QUORVIN_OK) {
        failures += report(camera, "white balance", status);
    } else {
        out("white balance mode ");
        outLong((long)mode);
        out(" red gain ");
        outLong(gain);
        out("\n");
    }
    if ((status = quorvin_set_d_zoom_state(camera, 1)) != QUORVIN_OK ||
        (status = quorvin_get_d_zoom_state(camera, &flag)) != QUORVIN_OK) {
        failures += report(camera, "digital zoom", status);
    } else {
        out("digital zoom ");
        outLong(flag);
        out("\n");
    }
    status = quorvin_raw(camera, POWER_INQUIRY, sizeof POWER_INQUIRY, reply, sizeof reply,
                         &replyLength);
    if (status != QUORVIN_OK) {
        failures += report(camera, "raw", status);
    } else {
        out("raw ");
        outHex(reply, replyLength);
        out("\n");
    }
    /* Refused, nothing sent: the text is the engine's. */
    status = quorvin_raw(camera, CUT_COMMAND, sizeof CUT_COMMAND, reply, sizeof reply,
                         &replyLength);
    report(camera, "raw with 0xFF inside", status);

    quorvin_close(camera);
    return failures == 0 ? 0 : 1;
}

#if defined(QUORVIN_FREESTANDING)

/* The entry point, in place of the C runtime's: the port is the command line's last word. */
void start(void) {
    char* line = GetCommandLineA();
    char* last = line;
    char* at;
    for (at = line; *at != '\0'; ++at) {
        if (*at == ' ' && at[1] != ' ' && at[1] != '\0') {
            last = at + 1;
        }
    }
    ExitProcess((unsigned int)run(last));
}

#else

int main(int argc, char** argv) {
    if (argc != 2) {
        fputs("usage: quorvin-c-program PORT\n", stderr);
        return 2;
    }
    return run(argv[1]);
}

#endif
