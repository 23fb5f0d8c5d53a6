/* A C program as Microsoft's toolchain builds it: no C runtime, linked by an
 * MSVC-compatible linker against the import library rdstmc.lib. Its exit
 * code says whether the DLL's C interface answered as it should. */
#include "rdstmc_c.h"

__declspec(dllimport) void __stdcall ExitProcess(unsigned code);

void __stdcall mainCRTStartup(void) {
    const char* version = rdstmc_version();
    unsigned failures = 0;
    failures += rdstmc_interface_version() != RDSTMC_C_INTERFACE_VERSION;
    failures += version == 0 || version[0] < '0' || version[0] > '9';
    failures += rdstmc_get_status() != RDSTMC_STATUS_STOPPED;
    /* A TMC message of one group goes through the decoder. */
    rdstmc_tmc_decoder* decoder = rdstmc_tmc_decoder_new();
    rdstmc_tmc_message message;
    message.size = sizeof message;
    failures += rdstmc_tmc_decoder_feed(decoder, 0xA2018008u, 0x46548097u) != RDSTMC_TMC_MESSAGE;
    failures += !rdstmc_tmc_decoder_message(decoder, &message) || message.location != 0x8097;
    rdstmc_tmc_decoder_free(decoder);
    ExitProcess(failures);
}
