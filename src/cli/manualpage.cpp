#include "clidocs.h"

#include "clihelp.h"

#include <QStringList>

namespace {

// Text as troff shows it: backslashes and hyphens escaped (so options copy as "--"), a line that
// begins with a control character kept as text, and a break point after Chinese punctuation,
// since troff only breaks lines at spaces.
QString escaped(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\\'), QStringLiteral("\\e"));
    out.replace(QLatin1Char('-'), QStringLiteral("\\-"));
    for (const QChar mark : QStringLiteral("，。；：、）"))
        out.replace(mark, mark + QStringLiteral("\\:"));
    QStringList lines = out.split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.startsWith(QLatin1Char('.')) || line.startsWith(QLatin1Char('\'')))
            line.prepend(QStringLiteral("\\&"));
    return lines.join(QLatin1Char('\n'));
}

// A help text as one paragraph: its lines were broken for an 80-column terminal, and joining
// them with a space would put stray spaces into Chinese sentences (but not between two words).
QString paragraph(const QString& text)
{
    QString joined;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        if (!joined.isEmpty() && joined.back().unicode() < 0x80 && line.front().unicode() < 0x80)
            joined += QLatin1Char(' ');
        joined += line;
    }
    return escaped(joined) + QLatin1Char('\n');
}

QString optionTerm(const OptionSpec& option)
{
    QString term = QStringLiteral("\\fB") + escaped(QStringLiteral("--") + option.name) +
                   QStringLiteral("\\fR");
    if (option.name == QLatin1String("help"))
        term.prepend(QStringLiteral("\\fB\\-h\\fR, "));
    if (option.takesValue())
        term += QStringLiteral(" \\fI") + escaped(option.valueName) + QStringLiteral("\\fR");
    return term;
}

QString optionList(const QList<OptionSpec>& options)
{
    QString text;
    for (const OptionSpec& option : options)
        text += QStringLiteral(".TP\n") + optionTerm(option) + QLatin1Char('\n') +
                escaped(option.description) + QLatin1Char('\n');
    return text;
}

} // namespace

QString manualPage(const QString& version)
{
    QString page =
        QStringLiteral("'\\\" -*- coding: UTF-8 -*-\n"
                       ".\\\" Made from larch's command table when the program is built.\n"
                       ".TH LARCH 1 \"\" \"Larch Notes %1\" \"Larch Notes\"\n"
                       ".\\\" Chinese text has no spaces to stretch: fill without justifying.\n"
                       ".ad l\n"
                       ".nh\n"
                       ".SH 名称\n"
                       "larch \\- Larch Notes 的命令行伙伴\n"
                       ".SH 概述\n"
                       ".B larch\n"
                       "[\\fB\\-\\-vault\\fR \\fI目录\\fR] \\fI命令\\fR [\\fI参数\\fR] "
                       "[\\fI选项\\fR]\n"
                       ".SH 描述\n")
            .arg(escaped(version));
    page += paragraph(programIntroduction());

    page += QStringLiteral(".SH 命令\n");
    for (const CommandGroup& group : commandGroups()) {
        page += QStringLiteral(".SS ") + escaped(group.title) + QLatin1Char('\n');
        for (const Command& command : group.commands) {
            page += QStringLiteral(".TP\n.B ") + escaped(usageLine(command)) + QLatin1Char('\n') +
                    paragraph(command.summary);
            if (!command.details.isEmpty())
                page += QStringLiteral(".br\n") + paragraph(command.details);
            if (!command.options.isEmpty() || command.listing) {
                QList<OptionSpec> own = command.options;
                if (command.listing)
                    own.append(jsonOption());
                page += QStringLiteral(".RS\n") + optionList(own) + QStringLiteral(".RE\n");
            }
        }
    }

    page += QStringLiteral(".SH 通用选项\n") + optionList(globalOptions());
    page += QStringLiteral(".SH 说明\n") + paragraph(programNotes());
    page += QStringLiteral(
        ".SH 环境变量\n"
        ".TP\n"
        ".B LARCH_VAULT\n"
        "没有给出 \\fB\\-\\-vault\\fR 时使用的笔记仓库文件夹。\n"
        ".SH 文件\n"
        ".TP\n"
        ".I ~/.config/larch\\-notes/larch\\-notes.conf\n"
        "Larch Notes 的设置。既没有 \\fB\\-\\-vault\\fR 也没有 \\fBLARCH_VAULT\\fR 时，"
        "larch 使用其中记住的笔记仓库。\n"
        ".SH 示例\n"
        ".nf\n"
        "larch memo add \"周报里要提到新的发布流程 #工作\" \\-\\-image ~/Pictures/board.png\n"
        "larch todo add \"买牛奶\" \"给李老师回电话\" && larch todo list\n"
        "larch search 周报 \\-\\-notes \\-\\-folder Notes\n"
        ".fi\n"
        ".SH 参见\n"
        ".BR larch\\-notes (1)\n");
    return page;
}
