#!/usr/bin/env python3
"""The help's pages from its one source, docs/help.md: what stands before the first topic is the
contents page, index.html; each topic, begun by `## <a id="ID"></a>Heading`, is the page ID.html.
The build fails, naming it, where a text the program shows (ui/Texts.h) is not quoted in the
topic `messages`, so that no message ships unexplained, or where a link leads to no topic.

    make_help.py docs/help.md ui/Texts.h OUTPUT_FOLDER
"""
import html
import pathlib
import re
import sys

import markdown

TOPIC = re.compile(r'^## <a id="([a-z]+)"></a>(.*)$', re.M)
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
nav a {{ margin-right: 1em; white-space: nowrap; }}
nav a[aria-current] {{ font-weight: bold; color: inherit; text-decoration: none; }}
blockquote {{ border-left: 3px solid #4a7bb7; margin: .5em 0; padding: .1em 1em; background: #f3f6fa; }}
pre {{ background: #f3f3f3; border-left: 3px solid #888; padding: .5em .8em; white-space: pre-wrap; }}
code {{ font-family: Consolas, "Courier New", monospace; }}
table {{ border-collapse: collapse; }} td, th {{ border: 1px solid #ccc; padding: .2em .5em; }}
</style>
</head>
<body>
<nav>{nav}</nav>
<main>
{body}
</main>
</body>
</html>
"""


def program_texts(header):
    """The texts of ui/Texts.h by name, their C++ literals joined; the caption aside."""
    for name, literals in re.findall(r'constexpr const w?char(?:_t)?\* (\w+) =\s*((?:L?"(?:[^"\\]|\\.)*"\s*)+);',
                                     header):
        if name != "Caption":
            parts = re.findall(r'"((?:[^"\\]|\\.)*)"', literals)
            yield name, "".join(p.encode().decode("unicode_escape") for p in parts)


def quoted(text, page):
    """Whether the page's text quotes `text`, spaces loosely, a printf field standing for a word."""
    words = (re.sub(r"%l?[sud]", r"\\S+", re.escape(word)) for word in text.split())
    shown = html.unescape(re.sub(r"<[^>]+>", "", page))
    return re.search(r"\s+".join(words), shown) is not None


def main(source, header, out):
    text = pathlib.Path(source).read_text(encoding="utf-8")
    title, intro = re.match(r"# ([^\n]+)\n(.*?)(?=^## )", text, re.S | re.M).groups()
    heads = TOPIC.findall(text)
    bodies = TOPIC.split(text)[3::3]
    if len(heads) != text.count("\n## "):
        sys.exit(f"{source}: every topic begins '## <a id=\"ID\"></a>Heading'")
    names = {name for name, _ in heads}
    pages = {"index": (title, f"# {title}\n{intro}\n" + "".join(f"- [{h}](#{n})\n" for n, h in heads))}
    pages.update((name, (heading, f"# {heading}\n{body}")) for (name, heading), body in zip(heads, bodies))
    rendered = {}
    for name, (heading, body) in pages.items():
        html_body = markdown.markdown(body, extensions=["fenced_code", "tables"])
        for target in re.findall(r'href="#([^"]*)"', html_body):
            if target not in names:
                sys.exit(f"{source}: the link to #{target} leads to no topic")
        html_body = re.sub(r'href="#([a-z]+)"', r'href="\1.html"', html_body)
        nav = " ".join(f'<a href="{n}.html"{" aria-current=page" if n == name else ""}>{html.escape(h)}</a>'
                       for n, h in [("index", "Contents"), *heads])
        page_title = title if name == "index" else f"{heading} - {title}"
        rendered[name] = PAGE.format(title=html.escape(page_title), nav=nav, body=html_body)
    unexplained = [name for name, shown in program_texts(pathlib.Path(header).read_text(encoding="utf-8"))
                   if not quoted(shown, rendered.get("messages", ""))]
    if unexplained:
        sys.exit(f"{source}: the topic 'messages' does not quote these texts of {header}: {', '.join(unexplained)}")
    folder = pathlib.Path(out)
    folder.mkdir(parents=True, exist_ok=True)
    for stale in folder.glob("*.html"):
        stale.unlink()
    for name, page in rendered.items():
        (folder / f"{name}.html").write_text(page, encoding="utf-8", newline="\n")


if __name__ == "__main__":
    main(*sys.argv[1:])
