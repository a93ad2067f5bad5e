#include "io/phoscyonPattern.h"

#include "sequencer/utf8Prefix.h"

#include <tinyxml2.h>

#include <cstring>

namespace quelvar
{

std::string phoscyonPatternText(const Pattern& pattern, int tempoBpm, bool xmlDeclaration)
{
    tinyxml2::XMLDocument doc(true, tinyxml2::PRESERVE_WHITESPACE);
    tinyxml2::XMLElement* root = doc.NewElement("Pattern");
    doc.InsertFirstChild(root);
    if (xmlDeclaration)
        doc.InsertFirstChild(doc.NewDeclaration());
    root->SetAttribute("application", "Phoscyon");
    root->SetAttribute("name", pattern.getName().c_str());
    const int length = pattern.getNBStep();
    root->SetAttribute("length", length);
    root->SetAttribute("shuffle", 0);
    root->SetAttribute("tempo", tempoBpm);
    for (int i = 0; i < length; ++i)
    {
        const Step& s = *pattern.getStepAnyIndex(i);
        tinyxml2::XMLElement* step = doc.NewElement("Step");
        step->SetAttribute("note", s.note() - kDefaultStepNote);
        step->SetAttribute("octaveUp", 0);
        step->SetAttribute("octaveDown", 0);
        step->SetAttribute("gate", s.note() != 0 ? 1 : 0);
        step->SetAttribute("accent", s.accent() ? 1 : 0);
        step->SetAttribute("slide", s.slide() ? 1 : 0);
        step->SetAttribute("gateLevel", 0);
        step->SetAttribute("accentLevel", 0);
        step->SetAttribute("slideLevel", 0);
        root->InsertEndChild(step);
    }
    tinyxml2::XMLPrinter printer(nullptr, false);
    doc.Print(&printer);
    return std::string(printer.CStr());
}

PatternImport parsePhoscyonPattern(const char* data, std::size_t size)
{
    PatternImport out;
    if (!data || size == 0)
        return out;
    tinyxml2::XMLDocument doc(true, tinyxml2::PRESERVE_WHITESPACE);
    if (doc.Parse(data, size) != tinyxml2::XML_SUCCESS)
        return out;
    const tinyxml2::XMLElement* root = doc.FirstChildElement("Pattern");
    if (!root)
        return out;
    const int length = root->IntAttribute("length", 0);
    if (length < 1 || length > kStepsPerPattern)
        return out;

    Pattern& pattern = out.pattern.emplace(length);
    const char* name = root->Attribute("name");
    if (name && *name)
    {
        const std::string_view kept = utf8Prefix(name, kImportedNameBytes);
        pattern.setName(kept);
        if (kept.size() < std::strlen(name))
            out.notices.push_back("the name was cut to \"" + std::string(kept) + "\"");
    }
    if (root->IntAttribute("shuffle", 0) != 0)
        out.notices.push_back("the file's shuffle was not applied");

    int i = 0;
    for (const tinyxml2::XMLElement* e = root->FirstChildElement(); e && i < length;
         e = e->NextSiblingElement("Step"), ++i)
    {
        // Octave flags count once whatever their value, and the sum is taken wide, so no
        // attribute value can overflow it.
        long long note = 0;
        if (e->IntAttribute("gate", 0) != 0)
        {
            note = static_cast<long long>(e->IntAttribute("note", 0)) + kDefaultStepNote;
            if (e->IntAttribute("octaveUp", 0) != 0)
                note += 12;
            if (e->IntAttribute("octaveDown", 0) != 0)
                note -= 12;
            if (noteOrRest(note) != note)
                ++out.outOfRangeSteps;
        }
        pattern.setStepNote(noteOrRest(note), i);
        pattern.setStepSlide(e->IntAttribute("slide", 0) != 0, i);
        pattern.setStepAccent(e->IntAttribute("accent", 0) != 0, i);
    }
    if (i < length)
        out.notices.push_back("the file holds " + std::to_string(i) + " of its " +
                              std::to_string(length) + " steps; the others keep the default note");
    if (out.outOfRangeSteps > 0)
        out.notices.push_back(stepsOutOfRangeNotice(out.outOfRangeSteps));
    return out;
}

} // namespace quelvar
