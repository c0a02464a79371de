#include "application.h"

#include "database/database.h"

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    const int code = app::runApplication(argc, argv);
    // An order book that did not close in time left its worker behind: end without the
    // destructors of the process, which would wait for it.
    if (database::Database::anyAbandoned()) {
        std::fflush(nullptr);
        ::_exit(code);
    }
    return code;
}
