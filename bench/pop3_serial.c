/* The anchor of the window benchmark: the least a serial POP3 client can do. It logs on, asks
 * STAT, then sends TOP n 2 for every message, one command at a time, reading each reply to its
 * final "." line and doing nothing with it, and quits. Whatever a mail checker adds per message
 * is measured against this.
 *
 * Usage: pop3_serial <port> <user> <password>   (on 127.0.0.1; prints the number of messages) */
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/socket.h>
#include <unistd.h>

static char buffer[1 << 20];
static size_t filled;

static void fail(const char* what) {
    fprintf(stderr, "pop3_serial: %s\n", what);
    exit(1);
}

static void send_line(int fd, const char* line) {
    size_t length = strlen(line);
    if (write(fd, line, length) != (ssize_t)length)
        fail("write failed");
}

/* Reads until `end` ends what was read; returns the length of the reply, which is then dropped
 * from the front of the buffer by the caller. */
static size_t read_until(int fd, const char* end) {
    size_t end_length = strlen(end);
    size_t searched = 0;
    for (;;) {
        while (searched + end_length <= filled) {
            if (memcmp(buffer + searched, end, end_length) == 0)
                return searched + end_length;
            ++searched;
        }
        if (filled == sizeof buffer)
            fail("reply too long");
        ssize_t got = read(fd, buffer + filled, sizeof buffer - filled);
        if (got <= 0)
            fail("connection closed");
        filled += (size_t)got;
    }
}

static void drop(size_t length) {
    memmove(buffer, buffer + length, filled - length);
    filled -= length;
}

static void expect_ok(int fd) {
    size_t length = read_until(fd, "\r\n");
    if (strncmp(buffer, "+OK", 3) != 0)
        fail("refused");
    drop(length);
}

int main(int argc, char** argv) {
    if (argc != 4)
        fail("usage: pop3_serial <port> <user> <password>");
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    struct sockaddr_in address = {0};
    address.sin_family = AF_INET;
    address.sin_port = htons((unsigned short)atoi(argv[1]));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, (struct sockaddr*)&address, sizeof address) != 0)
        fail("cannot connect");
    int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    char line[512];
    expect_ok(fd);
    snprintf(line, sizeof line, "USER %s\r\n", argv[2]);
    send_line(fd, line);
    expect_ok(fd);
    snprintf(line, sizeof line, "PASS %s\r\n", argv[3]);
    send_line(fd, line);
    expect_ok(fd);
    send_line(fd, "STAT\r\n");
    size_t length = read_until(fd, "\r\n");
    int count = 0;
    if (sscanf(buffer, "+OK %d", &count) != 1)
        fail("unreadable STAT");
    drop(length);
    for (int n = 1; n <= count; ++n) {
        snprintf(line, sizeof line, "TOP %d 2\r\n", n);
        send_line(fd, line);
        /* The status line, then the message to the line that holds "." alone. */
        size_t status = read_until(fd, "\r\n");
        if (strncmp(buffer, "+OK", 3) != 0)
            fail("TOP refused");
        drop(status - 2); /* keep the CR LF that ends the status line */
        drop(read_until(fd, "\r\n.\r\n"));
    }
    send_line(fd, "QUIT\r\n");
    expect_ok(fd);
    close(fd);
    printf("%d\n", count);
    return 0;
}
