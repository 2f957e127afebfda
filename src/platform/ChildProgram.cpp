#include "platform/ChildProgram.h"

#include <QProcess>
#include <QStringList>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace Platform {

ChildProgramRun runChildProgram(const std::string& program, const std::vector<std::string>& args,
                                const std::vector<std::pair<std::string, std::string>>& environment,
                                NewFiles newFiles) {
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment)
        variables.insert(QString::fromUtf8(name), QString::fromUtf8(value));
    QStringList arguments;
    for (const std::string& arg : args)
        arguments.append(QString::fromUtf8(arg));

    QProcess process;
    process.setProcessEnvironment(variables);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
#ifdef Q_OS_UNIX
    // Runs in the child between fork and exec: only the async-signal-safe umask.
    if (newFiles == NewFiles::OwnerOnly)
        process.setChildProcessModifier([] { ::umask(077); });
#else
    Q_UNUSED(newFiles);
#endif
    process.start(QString::fromUtf8(program), arguments);
    process.waitForFinished(-1);

    ChildProgramRun run;
    run.started = process.error() != QProcess::FailedToStart;
    if (run.started && process.exitStatus() == QProcess::NormalExit)
        run.status = process.exitCode();
    const QByteArray output = process.readAll();
    run.output.assign(output.constData(), static_cast<size_t>(output.size()));
    return run;
}

} // namespace Platform
