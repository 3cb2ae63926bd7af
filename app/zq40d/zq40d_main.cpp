// zq40d: the ZQ40 units of this computer as a service of the venue, on the
// same core as the zq40panel window and zq40ctl.
#include "daemon_arguments.h"
#include "daemon_config.h"
#include "interrupt.h"
#include "orlousb.h"
#include "secret_commands.h"
#include "service.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>

#include <sys/resource.h>

int main(int argc, char* argv[])
{
    using namespace zq40::daemon;
    const DaemonArguments arguments = parseDaemonArguments(std::vector<std::string>(argv + 1, argv + argc));
    if (arguments.version) {
        std::fputs(daemonVersionText().c_str(), stdout);
        return 0;
    }
    if (arguments.help) {
        std::fputs(daemonHelpText().c_str(), stdout);
        return 0;
    }
    if (!arguments.error.empty()) {
        std::fprintf(stderr, "zq40d: %s\n\n%s", arguments.error.c_str(), daemonHelpText().c_str());
        return 1;
    }
    QCoreApplication app(argc, argv);
    DaemonConfig config;
    QString error;
    if (!readConfig(QString::fromStdString(arguments.config), config, error)) {
        std::fprintf(stderr, "zq40d: %s\n", qPrintable(error));
        return 1;
    }
    if (!arguments.command.empty())
        return runSecretCommand(arguments, config);

    // The USB library's log, for a bug report: ZQ40_LOG=FILE.
    if (const char* log = std::getenv("ZQ40_LOG"); log && *log && !ousb_EnableLogging(log))
        std::fprintf(stderr, "zq40d: cannot write the log to %s\n", log);
    // Every open page holds a connection: room for all the listener takes.
    if (rlimit files{}; getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        setrlimit(RLIMIT_NOFILE, &files);
    }
    SecretStore secrets(config.stateFolder);
    Service service(config, secrets);
    if (!secrets.load(error) || !service.start(error)) {
        std::fprintf(stderr, "zq40d: %s\n", qPrintable(error));
        return 1;
    }
    zq40::quitOnInterrupt();
    const int code = app.exec();
    service.stop();
    return code;
}
