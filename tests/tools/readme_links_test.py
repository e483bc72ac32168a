#!/usr/bin/env python3
"""Every relative link of the README and of docs/*.md leads somewhere: the file exists, and a
#section names a heading of that file (as GitHub makes anchors: lower case, punctuation dropped,
spaces turned into hyphens). The package installs README.md and docs/ side by side, so links that
work here work in /usr/share/doc/floodvalley/ too."""
import pathlib
import re
import sys

LINK = re.compile(r'\]\(([^)\s]+)\)|<img src="([^"]+)"')
FENCE = re.compile(r'^```.*?^```', re.M | re.S)


def anchors(page):
    text = FENCE.sub('', page.read_text(encoding='utf-8'))
    titles = re.findall(r'^#+ (.*)$', text, re.M)
    return {re.sub(r'[^\w\- ]', '', t.lower()).replace(' ', '-') for t in titles}


def broken_links(page):
    text = FENCE.sub('', page.read_text(encoding='utf-8'))
    for match in LINK.finditer(text):
        target = match.group(1) or match.group(2)
        if re.match(r'[a-z]+:', target):
            continue  # an address outside the repository
        path, _, section = target.partition('#')
        dest = (page.parent / path).resolve() if path else page
        if not dest.is_file():
            yield f'{page.name}: {target}: no such file'
        elif section and section not in anchors(dest):
            yield f'{page.name}: {target}: no such section'
        else:
            yield None


def main(root):
    pages = [root / 'README.md', *sorted((root / 'docs').glob('*.md'))]
    results = [r for page in pages for r in broken_links(page)]
    faults = [r for r in results if r]
    for fault in faults:
        print('FAIL:', fault)
    if len(results) < 20:
        print(f'FAIL: only {len(results)} links found in {len(pages)} pages; is the pattern right?')
        return 1
    print(f'readme links: {len(results) - len(faults)} of {len(results)} links in {len(pages)} '
          'pages lead somewhere')
    return 1 if faults else 0


sys.exit(main(pathlib.Path(sys.argv[1])))
