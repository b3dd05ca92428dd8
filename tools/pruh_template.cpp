// pruh subcommands of the report model: XML documents and templates.
#include "platform/exception.h"
#include "report/model/dataset.h"
#include "report/model/report.h"
#include "report/model/serializer.h"
#include "report/model/xml.h"
#include "report/rich/rich_view.h"
#include "tools/pruh_commands.h"

#include <cstdio>
#include <functional>

namespace kanvo::pruh {
namespace {

PruhCommand xmlCopy{"xml-copy", "IN OUT",
                    "load an XML document and save it again (byte for byte for our subset)",
                    [](const std::vector<std::string>& args) {
                        if (args.size() != 2)
                            return UsageError("xml-copy");
                        try {
                            TfrxXMLDocument doc;
                            doc.LoadFromFile(args[0]);
                            // Our writer indents whenever the input had line breaks.
                            TFileStream probe(args[0], TFileStream::Mode::Read);
                            std::string head(4096, '\0');
                            head.resize(probe.Read(head.data(), head.size()));
                            doc.Indented = head.find('\n') != std::string::npos;
                            doc.SaveToFile(args[1]);
                        } catch (const Exception& e) {
                            std::fprintf(stderr, "%s\n", e.Message().c_str());
                            return 1;
                        }
                        return 0;
                    }};

// Stand-ins for the two data sources the kanvo form puts next to its report,
// so that templates referring to them keep those references when pruh
// writes them again.
struct HostDataSources {
    HostDataSources() {
        for (auto [ds, name] : {std::pair{&company, "frxDBDataset1"}, {&order, "frxDBDataset2"}}) {
            ds->SetName(name);
            ds->SetUserName(name);
        }
    }
    void AddTo(TfrxReport& report) {
        report.AddHostComponent(&company);
        report.AddHostComponent(&order);
    }
    TfrxUserDataSet company, order;
};

// Loads a template without message boxes; its error list goes to stderr.
void LoadReportedSilently(TfrxReport& report, const std::string& path) {
    RegisterRichClasses();
    static HostDataSources hosts;
    hosts.AddTo(report);
    report.EngineOptions.NewSilentMode = TfrxSilentMode::simSilent;
    report.LoadFromFile(path, true);
    for (const AnsiString& e : report.Errors)
        std::fprintf(stderr, "%s\n", e.c_str());
}

PruhCommand templateCopy{
    "template-copy", "IN OUT",
    "load a report template and save it again; load errors go to standard error",
    [](const std::vector<std::string>& args) {
        if (args.size() != 2)
            return UsageError("template-copy");
        try {
            TfrxReport report;
            LoadReportedSilently(report, args[0]);
            // The silent mode is pruh's own choice, not part of the template.
            report.EngineOptions.NewSilentMode = TfrxSilentMode::simMessageBoxes;
            report.SaveToFile(args[1]);
            return report.Errors.empty() ? 0 : 1;
        } catch (const Exception& e) {
            std::fprintf(stderr, "%s\n", e.Message().c_str());
            return 1;
        }
    }};

PruhCommand templateTree{
    "template-tree", "IN",
    "print the loaded component tree: class, name, parent, left, top, width, height",
    [](const std::vector<std::string>& args) {
        if (args.size() != 1)
            return UsageError("template-tree");
        try {
            TfrxReport report;
            LoadReportedSilently(report, args[0]);
            std::function<void(const TfrxComponent&, int)> print = [&](const TfrxComponent& c,
                                                                       int depth) {
                AnsiString parent = c.Parent() ? c.Parent()->Name() : AnsiString("-");
                if (parent.empty())
                    parent = c.Parent()->ClassName();
                std::printf("%*s%s %s %s %s %s %s %s\n", depth * 2, "", c.ClassName().c_str(),
                            c.Name().empty() ? "-" : c.Name().c_str(), parent.c_str(),
                            FloatToTemplateText(c.Left()).c_str(),
                            FloatToTemplateText(c.Top()).c_str(),
                            FloatToTemplateText(c.Width()).c_str(),
                            FloatToTemplateText(c.Height()).c_str());
                for (const TfrxComponent* child : c.Objects())
                    print(*child, depth + 1);
            };
            print(report, 0);
            return report.Errors.empty() ? 0 : 1;
        } catch (const Exception& e) {
            std::fprintf(stderr, "%s\n", e.Message().c_str());
            return 1;
        }
    }};

} // namespace
} // namespace kanvo::pruh
