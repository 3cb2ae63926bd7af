/* A client of the installed library: the header and one call into it. */
#include <orlousb.h>

#include <stdio.h>

int main(void)
{
    return puts(ousb_ErrorCodeToString((obin_updater_error_t)0)) < 0;
}
