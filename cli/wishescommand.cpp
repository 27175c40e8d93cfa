#include "cli/cli.h"
#include "targets/targetseditor.h"
#include "targets/wishcsv.h"

// wishes --import FILE: the wishes of a CSV file added to the database, all
// or none, as the page's import adds them.
namespace korvane::cli {

namespace {

// Says each message on a line of its own: the refusal on standard error,
// what was done on standard output (as the outcome tells).
class LinePrompt : public Prompt {
public:
    void information(const QString& text) override { m_texts << text; }
    bool question(const QString& text) override {
        m_texts << text;
        return true;
    }
    void say(bool done) const {
        for (const QString& text : m_texts)
            done ? out(text) : err(text);
    }

private:
    QStringList m_texts;
};

} // namespace

int wishes(Context& context) {
    QStringList args = context.args;
    QString path;
    bool import = false;
    if (!takeOption(args, QStringLiteral("--import"), &path, &import) || !import ||
        !args.isEmpty()) {
        err(QStringLiteral("usage: korvane-cli wishes --import FILE.csv"));
        return Refused;
    }
    int code = Done;
    auto connection = openDatabase(context, Connection::Access::ReadWrite, &code);
    if (!connection)
        return code;
    LinePrompt prompt;
    targets::TargetsEditor editor(connection->db(), prompt);
    const targets::ImportOutcome outcome = targets::importWishes(editor, prompt, path);
    prompt.say(outcome == targets::ImportOutcome::Imported);
    switch (outcome) {
    case targets::ImportOutcome::Imported:
        return Done;
    case targets::ImportOutcome::Refused:
        return Refused;
    case targets::ImportOutcome::Failed:
        break;
    }
    return Unavailable;
}

} // namespace korvane::cli
