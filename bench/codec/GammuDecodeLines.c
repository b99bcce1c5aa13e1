/* The comparison process for parlowen-pdu decode --count -: one hex PDU per line on standard
 * input, each decoded with libgammu's GSM_DecodePDUFrame, and the same last line. */
#include <gammu.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

int main(void)
{
    GSM_Debug_Info* debug = GSM_GetGlobalDebug();
    GSM_SMSMessage* sms = malloc(sizeof *sms);
    unsigned char binary[1024];
    char* line = NULL;
    size_t capacity = 0;
    ssize_t length;
    long decoded = 0, failed = 0;
    if (!sms)
        return 1;
    while ((length = getline(&line, &capacity, stdin)) >= 0) {
        size_t n = 0, i;
        int ok = 1;
        while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r'))
            --length;
        if (length == 0)
            continue;
        if (length % 2 || (size_t)length / 2 > sizeof binary)
            ok = 0;
        for (i = 0; ok && i + 1 < (size_t)length; i += 2) {
            const int high = hexValue(line[i]), low = hexValue(line[i + 1]);
            if (high < 0 || low < 0)
                ok = 0;
            binary[n++] = (unsigned char)(high << 4 | low);
        }
        if (ok) {
            size_t end = 0;
            ok = GSM_DecodePDUFrame(debug, sms, binary, n, &end, TRUE) == ERR_NONE;
        }
        if (ok)
            ++decoded;
        else
            ++failed;
    }
    printf("decoded %ld, failed %ld\n", decoded, failed);
    free(line);
    free(sms);
    return failed == 0 ? 0 : 1;
}
