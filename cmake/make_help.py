#!/usr/bin/env python3
"""The help's pages from its one source, docs/help.md: what stands before the first topic is the
contents page, index.html; each topic, begun by `## <a id="ID"></a>Heading`, is the page ID.html;
all.html holds every topic, to print. Each subsection begins `### <a id="ID"></a>Heading` (or
####) too, so that any can be linked to. The pictures the help shows are copied beside the pages.
The build fails, naming it, where
- a text the program shows (ui/Texts.h) is not quoted in the topic `messages`, so that no message
  ships unexplained;
- a text of the resources that a technician reads (ui/*.rc: the window's title, labels and
  buttons, the CAUTION line, the About box, the window menu's entry) is not quoted in the help,
  as "text" or **text**, so that the help names each as the window shows it;
- a link leads nowhere, an id is given twice, a heading skips a level or a picture is missing.

    make_help.py docs/help.md OUTPUT_FOLDER ui/Texts.h ui/*.rc
"""
import html
import pathlib
import re
import shutil
import sys

import markdown

TOPIC = re.compile(r'^## <a id="([a-z]+)"></a>(.*)$', re.M)
SUBSECTION = re.compile(r'^(#{3,6}) (?:<a id="([a-z0-9-]+)"></a>)?(.*)$', re.M)
# Controls whose template text no one sees: the program writes theirs first, a bar shows none.
WRITTEN_BY_PROGRAM = {"IDC_STATUS", "IDC_PERCENT", "IDC_PROGRESS"}
PAGE = """<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>{title}</title>
<style>
body {{ font-family: "Segoe UI", Tahoma, sans-serif; line-height: 1.45; max-width: 46em; margin: 0 auto;
       padding: 0 1em 2em; color: #1b1b1b; }}
nav {{ border-bottom: 1px solid #ccc; padding: .6em 0; }}
nav.pager {{ border-bottom: none; border-top: 1px solid #ccc; margin-top: 2em; }}
nav a {{ margin-right: 1em; white-space: nowrap; }}
nav a[aria-current] {{ font-weight: bold; color: inherit; text-decoration: none; }}
blockquote {{ border-left: 3px solid #4a7bb7; margin: .5em 0; padding: .1em 1em; background: #f3f6fa; }}
pre {{ background: #f3f3f3; border-left: 3px solid #888; padding: .5em .8em; white-space: pre-wrap; }}
code {{ font-family: Consolas, "Courier New", monospace; }}
table {{ border-collapse: collapse; }} td, th {{ border: 1px solid #ccc; padding: .2em .5em; vertical-align: top; }}
img {{ max-width: 100%; border: 1px solid #ccc; }}
@media print {{
  nav {{ display: none; }}
  body {{ max-width: none; padding: 0; }}
  a {{ color: inherit; text-decoration: none; }}
  blockquote, pre {{ background: none; border: 1px solid #555; border-left-width: 3px; }}
  blockquote, pre, table, tr, img, li {{ break-inside: avoid; page-break-inside: avoid; }}
  h1, h2, h3, h4 {{ break-after: avoid; page-break-after: avoid; }}
  section + section {{ break-before: page; page-break-before: always; }}
}}
</style>
</head>
<body>
<nav>{nav}</nav>
<main>
{body}
</main>
{pager}</body>
</html>
"""


def fail(message):
    sys.exit(f"make_help.py: {message}")


def program_texts(header):
    """The texts of ui/Texts.h by name, their C++ literals joined; the caption aside."""
    for name, literals in re.findall(r'constexpr const w?char(?:_t)?\* (\w+) =\s*((?:L?"(?:[^"\\]|\\.)*"\s*)+);',
                                     header):
        if name != "Caption":
            parts = re.findall(r'"((?:[^"\\]|\\.)*)"', literals)
            yield name, "".join(p.encode().decode("unicode_escape") for p in parts)


def resource_texts(script):
    """The texts of a resource script as a technician reads them, a line each, without the &
    that marks a key: captions, controls' texts, strings."""
    captions = re.findall(r'^CAPTION\s+"((?:[^"]|"")*)"', script, re.M)
    controls = [text for text, control in re.findall(r'^\s*CONTROL\s+"((?:[^"]|"")*)",\s*(\w+)', script, re.M)
                if control not in WRITTEN_BY_PROGRAM]
    strings = re.findall(r'^\s*IDS_\w+\s+"((?:[^"]|"")*)"', script, re.M)
    for text in captions + controls + strings:
        for line in text.replace('""', '"').split("\\n"):
            if line:
                yield re.sub(r"&(.)", r"\1", line)


def quoted(text, page):
    """Whether the page's text quotes `text`, spaces loosely, a printf field standing for a word."""
    words = (re.sub(r"%l?[sud]", r"\\S+", re.escape(word)) for word in text.split())
    shown = html.unescape(re.sub(r"<[^>]+>", "", page))
    return re.search(r"\s+".join(words), shown) is not None


def render(source, links):
    """Markdown as HTML: ids on the headings themselves, each link as `links` makes it."""
    body = markdown.markdown(source, extensions=["fenced_code", "tables"])
    body = re.sub(r'<h([1-6])><a id="([a-z0-9-]+)"></a>', r'<h\1 id="\2">', body)
    return re.sub(r'href="#([a-z0-9-]+)"', lambda m: f'href="{links(m[1])}"', body)


def navigation(order, current):
    """Links to every page, the one shown marked."""
    return " ".join(f'<a href="{n}.html"{" aria-current=page" if n == current else ""}>{html.escape(h)}</a>'
                    for n, h in [*order, ("all", "All topics")])


def check_headings(name, page):
    levels = [int(n) for n in re.findall(r"<h([1-6])[ >]", page)]
    for before, after in zip([0, *levels], levels):
        if after > before + 1:
            fail(f"{name}.html: a heading of level {after} follows one of level {before}")


def read_topics(source, text):
    """The help's topics by id, in order, with their headings and subsections; where each id is:
    a topic is a page, a subsection a place on its topic's page."""
    heads = TOPIC.findall(text)
    if len(heads) != text.count("\n## "):
        fail(f"{source}: every topic begins '## <a id=\"ID\"></a>Heading'")
    topics = {name: body for (name, _), body in zip(heads, TOPIC.split(text)[3::3])}
    where = {name: name for name, _ in heads}
    subsections = {}
    for name, body in topics.items():
        subsections[name] = SUBSECTION.findall(body)
        for _, sub, heading in subsections[name]:
            if not sub:
                fail(f"{source}: the subsection '{heading}' has no id: begin it '### <a id=\"ID\"></a>'")
            if sub in where:
                fail(f"{source}: the id '{sub}' is given twice")
            where[sub] = name
    # Each message's entry is a subsection of its group in `messages`; `troubleshooting` leads to each.
    entries = {sub for level, sub, _ in subsections.get("messages", []) if len(level) == 4}
    unlinked = entries - set(re.findall(r"\]\(#([a-z0-9-]+)\)", topics.get("troubleshooting", "")))
    if unlinked:
        fail(f"{source}: the topic 'troubleshooting' links to no entry {', '.join(sorted(unlinked))} of 'messages'")
    return heads, topics, subsections, where


def render_pages(source, text):
    """Every page by name: index, a page per topic, and all."""
    title, intro = re.match(r"# ([^\n]+)\n(.*?)(?=^## )", text, re.S | re.M).groups()
    heads, topics, subsections, where = read_topics(source, text)

    def page_link(target):
        if target not in where:
            fail(f"{source}: the link to #{target} leads nowhere")
        return f"{target}.html" if where[target] == target else f"{where[target]}.html#{target}"

    order = [("index", "Contents"), *heads]
    contents = "".join(f"- [{h}](#{n})\n" + "".join(f"    - [{s}](#{i})\n" for _, i, s in subsections[n])
                       for n, h in heads)
    index = f"# {title}\n{intro}\n{contents}\nAll of it on one page, to print: [All topics](all.html).\n"
    sources = {"index": index, **{n: f"## <a id=\"{n}\"></a>{h}\n{topics[n]}" for n, h in heads}}
    rendered = {}
    for number, (name, heading) in enumerate(order):
        body = render(sources[name], page_link)
        if name != "index":  # the topic is the page's first heading
            body = re.sub(r"<(/?)h([2-6])", lambda m: f"<{m[1]}h{int(m[2]) - 1}", body)
        steps = [("prev", "Previous", order[number - 1]) if number else None,
                 ("next", "Next", order[number + 1]) if number + 1 < len(order) else None]
        pager = " ".join(f'<a href="{n}.html" rel="{rel}">{word}: {html.escape(h)}</a>'
                         for rel, word, (n, h) in filter(None, steps))
        page_title = title if name == "index" else f"{heading} - {title}"
        rendered[name] = PAGE.format(title=html.escape(page_title), nav=navigation(order, name), body=body,
                                     pager=f'<nav class="pager">{pager}</nav>\n')
    whole = "\n".join(f"<section>\n{render(sources[name], lambda target: '#' + target)}\n</section>"
                      for name, _ in heads)
    whole = f"<h1>{html.escape(title)}</h1>\n{render(intro, lambda target: '#' + target)}\n{whole}"
    rendered["all"] = PAGE.format(title=html.escape(f"All topics - {title}"), nav=navigation(order, "all"),
                                  body=whole, pager="")
    for name, page in rendered.items():
        check_headings(name, page)
    return rendered


def check_quotes(source, text, messages, texts):
    """Fails unless the help quotes every text of the header (in the page `messages`) and of the
    resource scripts (anywhere in its source `text`)."""
    unexplained = []
    flowing = " ".join(text.split())  # a quote may be wrapped across lines
    for path in texts:
        script = pathlib.Path(path).read_text(encoding="utf-8")
        if path.endswith(".h"):
            unexplained += [f"{path}: {name}" for name, shown in program_texts(script) if not quoted(shown, messages)]
        else:
            unexplained += [f'{path}: "{shown}"' for shown in resource_texts(script)
                            if f'"{shown}"' not in flowing and f"**{shown}**" not in flowing]
    if unexplained:
        fail(f"{source} does not quote these texts (messages: in its topic 'messages'; the window's anywhere, as "
             f"\"text\" or **text**): {'; '.join(unexplained)}")


def main(source, out, *texts):
    text = pathlib.Path(source).read_text(encoding="utf-8")
    rendered = render_pages(source, text)
    check_quotes(source, text, rendered["messages"], texts)
    pictures = sorted(set(re.findall(r'<img [^>]*src="([^"]+)"', rendered["all"])))
    folder = pathlib.Path(out)
    folder.mkdir(parents=True, exist_ok=True)
    for stale in [*folder.glob("*.html"), *folder.glob("*.png")]:
        stale.unlink()
    for picture in pictures:
        found = pathlib.Path(source).parent / picture
        if not found.is_file():
            fail(f"{source}: the picture {picture} is missing")
        shutil.copyfile(found, folder / found.name)
    for name, page in rendered.items():
        for picture in pictures:
            page = page.replace(f'src="{picture}"', f'src="{pathlib.PurePath(picture).name}"')
        (folder / f"{name}.html").write_text(page, encoding="utf-8", newline="\n")


if __name__ == "__main__":
    main(*sys.argv[1:])
