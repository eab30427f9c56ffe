#include "textmaker.h"

namespace {

const char* const englishWords[] = {
    "the",      "plan",     "release",   "meeting",  "review",   "draft",   "notes",    "idea",
    "project",  "reading",  "summary",   "design",   "budget",   "travel",  "kernel",   "server",
    "client",   "weekly",   "report",    "garden",   "recipe",   "book",    "chapter",  "theory",
    "question", "answer",   "memory",    "cache",    "latency",  "coffee",  "morning",  "evening",
    "with",     "and",      "for",       "about",    "after",    "before",  "because",  "while",
    "quickly",  "slowly",   "carefully", "simple",   "complex",  "useful",  "broken",   "fixed",
    "new",      "old",      "small",     "large",    "first",    "second",  "final",    "open",
    "research", "paper",    "method",    "result",   "data",     "model",   "training", "query",
    "index",    "search",   "editor",    "vault",    "folder",   "archive", "backup",   "sync",
    "Rust",     "Python",   "Qt",        "Linux",    "Markdown", "SQL",     "HTTP",     "API",
    "team",     "customer", "feedback",  "deadline", "estimate", "risk",    "scope",    "goal",
    "habit",    "exercise", "sleep",     "walk",     "music",    "film",    "history",  "city",
    "we",       "should",   "could",     "will",     "might",    "need",    "try",      "check",
    "write",    "read",     "build",     "test",     "measure",  "compare", "learn",    "remember",
};

const char* const chineseWords[] = {
    "今天", "明天", "计划", "项目", "会议", "总结", "阅读", "笔记", "想法",   "问题",   "答案",
    "方法", "结果", "数据", "模型", "训练", "设计", "预算", "旅行", "城市",   "历史",   "音乐",
    "电影", "咖啡", "早上", "晚上", "周末", "学习", "工作", "生活", "健康",   "运动",   "睡眠",
    "散步", "习惯", "目标", "风险", "范围", "进度", "反馈", "客户", "团队",   "版本",   "发布",
    "测试", "代码", "重构", "性能", "内存", "缓存", "索引", "搜索", "编辑器", "文件夹", "我们",
    "需要", "应该", "可以", "已经", "还是", "但是", "因为", "所以", "如果",   "然后",   "一起",
    "认真", "简单", "复杂", "重要", "有趣", "安静", "书",   "章节", "理论",   "论文",   "实验",
    "记录", "整理", "回顾", "思考", "花园", "菜谱", "朋友", "家人", "孩子",   "老师",   "同事",
    "邻居", "天气", "春天", "夏天", "秋天", "冬天", "雨",   "雪",   "山",     "河",     "海边",
    "的",   "了",   "和",   "在",   "是",   "也",   "都",   "很",   "把",
};

const char* const tagNames[] = {
    "读书",     "work", "idea",        "日记", "日记/旅行", "project-x", "学习/英语",
    "health",   "家庭", "todo",        "灵感", "review",    "会议",      "cooking",
    "reading",  "电影", "code/rust",   "写作", "travel",    "跑步",      "2024",
    "q3-goals", "研究", "paper_notes", "周记", "music",     "摄影",      "inbox",
};

const char* const languages[] = {"cpp", "python", "rust", "sh", "json", "sql", "js", ""};

const char* const codeLines[] = {
    "for (const auto& item : items) {",
    "    total += item.size();",
    "}",
    "def load(path):",
    "    with open(path, encoding=\"utf-8\") as f:",
    "        return f.read()",
    "let value = map.get(&key).unwrap_or_default();",
    "SELECT id, title FROM notes WHERE updated_at > ?;",
    "git log --oneline | head -20",
    "{ \"name\": \"larch\", \"version\": 3 }",
    "const result = await fetch(url).then(r => r.json());",
    "return std::move(buffer);",
    "if err != nil { return err }",
    "# 注释：这里需要处理空列表",
    "print(f\"{len(rows)} rows\")",
};

const char* const sites[] = {"example.com", "docs.example.org", "wiki.example.net",
                             "news.example.cn", "blog.example.io"};

} // namespace

QByteArray TextMaker::words(int count, bool chinese)
{
    QByteArray out;
    for (int i = 0; i < count; ++i) {
        if (chinese) {
            // Chinese runs without spaces, with an English word dropped in now and then.
            if (m_random.chance(0.08)) {
                out += ' ';
                out += m_random.pick(englishWords);
                out += ' ';
            } else {
                out += m_random.pick(chineseWords);
            }
        } else {
            if (i > 0)
                out += ' ';
            out +=
                m_random.chance(0.04) ? m_random.pick(chineseWords) : m_random.pick(englishWords);
        }
    }
    return out.trimmed();
}

QByteArray TextMaker::englishSentence()
{
    QByteArray s = words(m_random.between(6, 18), false);
    if (!s.isEmpty() && s.at(0) >= 'a' && s.at(0) <= 'z')
        s[0] = char(s.at(0) - 'a' + 'A');
    s += m_random.chance(0.1) ? "?" : ".";
    return s;
}

QByteArray TextMaker::chineseSentence()
{
    QByteArray s = words(m_random.between(5, 16), true);
    if (m_random.chance(0.3)) {
        s += "，";
        s += words(m_random.between(3, 9), true);
    }
    s += m_random.chance(0.1) ? "？" : "。";
    return s;
}

QByteArray TextMaker::sentence()
{
    QByteArray s = m_random.chance(0.55) ? chineseSentence() : englishSentence();
    if (m_random.chance(0.06)) {
        s += ' ';
        s += tag();
    }
    if (m_random.chance(0.03)) {
        s += " `";
        s += m_random.pick(englishWords);
        s += "()`";
    }
    if (m_random.chance(0.04)) {
        s += " **";
        s += m_random.pick(chineseWords);
        s += "**";
    }
    return s;
}

QByteArray TextMaker::paragraph(int minSentences, int maxSentences)
{
    QByteArray out;
    const int count = m_random.between(minSentences, maxSentences);
    for (int i = 0; i < count; ++i) {
        if (i > 0)
            out += ' ';
        out += sentence();
    }
    return out;
}

QByteArray TextMaker::headingText()
{
    return m_random.chance(0.5) ? words(m_random.between(2, 4), true)
                                : words(m_random.between(2, 5), false);
}

QString TextMaker::articleTitle()
{
    QByteArray title;
    switch (m_random.below(6)) {
    case 0:
        title = words(m_random.between(2, 4), true);
        break;
    case 1:
        title = words(m_random.between(2, 5), false);
        break;
    case 2:
        title = words(m_random.between(1, 2), true) + ' ' + words(m_random.between(1, 3), false);
        break;
    case 3:
        title = words(2, false) + ' ' + QByteArray::number(m_random.between(2015, 2025));
        break;
    case 4:
        title = words(m_random.between(2, 3), true) + "笔记";
        break;
    default:
        title = words(m_random.between(1, 3), false) + " - " + words(2, true);
        break;
    }
    if (m_random.chance(0.05))
        title += " (" + QByteArray::number(m_random.between(1, 9)) + ")";
    if (!title.isEmpty() && title.at(0) >= 'a' && title.at(0) <= 'z')
        title[0] = char(title.at(0) - 'a' + 'A');
    return QString::fromUtf8(title);
}

QString TextMaker::folderName()
{
    static const char* const names[] = {
        "Projects",      "项目",    "读书",     "Reading", "Work",    "工作",    "Research",
        "研究",          "Travel",  "旅行",     "Ideas",   "想法",    "Archive", "归档",
        "Meetings",      "会议",    "Personal", "个人",    "Recipes", "菜谱",    "Courses",
        "课程",          "R&D",     "家庭",     "Finance", "Health",  "写作",    "Drafts",
        "Journal Notes", "Clients", "学习",     "Books",   "电影",    "Code"};
    QByteArray name = m_random.pick(names);
    if (m_random.chance(0.4)) {
        name += ' ';
        name += m_random.chance(0.5) ? QByteArray(m_random.pick(chineseWords))
                                     : QByteArray::number(m_random.between(2016, 2025));
    }
    return QString::fromUtf8(name);
}

QByteArray TextMaker::bulletList()
{
    QByteArray out;
    const int count = m_random.between(2, 7);
    for (int i = 0; i < count; ++i) {
        out += (m_random.chance(0.15) && i > 0) ? "  - " : "- ";
        out += m_random.chance(0.5) ? words(m_random.between(3, 10), true)
                                    : words(m_random.between(3, 12), false);
        out += '\n';
    }
    out.chop(1);
    return out;
}

QByteArray TextMaker::numberedList()
{
    QByteArray out;
    const int count = m_random.between(2, 6);
    for (int i = 0; i < count; ++i) {
        out += QByteArray::number(i + 1) + ". " + sentence() + '\n';
    }
    out.chop(1);
    return out;
}

QByteArray TextMaker::taskList()
{
    QByteArray out;
    const int count = m_random.between(2, 6);
    for (int i = 0; i < count; ++i) {
        out += m_random.chance(0.4) ? "- [x] " : "- [ ] ";
        out += m_random.chance(0.5) ? words(m_random.between(2, 6), true)
                                    : words(m_random.between(2, 8), false);
        out += '\n';
    }
    out.chop(1);
    return out;
}

QByteArray TextMaker::codeBlock()
{
    QByteArray out = "```";
    out += m_random.pick(languages);
    out += '\n';
    const int count = m_random.between(2, 14);
    for (int i = 0; i < count; ++i) {
        out += m_random.pick(codeLines);
        out += '\n';
    }
    out += "```";
    return out;
}

QByteArray TextMaker::quote()
{
    QByteArray out;
    const int count = m_random.between(1, 3);
    for (int i = 0; i < count; ++i) {
        out += "> " + sentence() + '\n';
    }
    out.chop(1);
    return out;
}

QByteArray TextMaker::table()
{
    QByteArray out = "| " + words(1, true) + " | " + words(1, false) + " | " + words(1, false) +
                     " |\n|---|---|---|\n";
    const int rows = m_random.between(2, 6);
    for (int i = 0; i < rows; ++i) {
        out += "| " + words(m_random.between(1, 3), true) + " | " +
               QByteArray::number(m_random.between(1, 9999)) + " | " +
               words(m_random.between(1, 4), false) + " |\n";
    }
    out.chop(1);
    return out;
}

QByteArray TextMaker::tag()
{
    return QByteArray("#") + m_random.pick(tagNames);
}

QByteArray TextMaker::webLink()
{
    return "[" + words(m_random.between(1, 3), false) + "](https://" + m_random.pick(sites) + "/" +
           QByteArray(m_random.pick(englishWords)).toLower() + "/" +
           QByteArray::number(m_random.between(1, 99999)) + ")";
}
