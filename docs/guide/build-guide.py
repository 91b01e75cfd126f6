#!/usr/bin/python3
# Builds the user guide, MeridaneGuide.pdf, from the Markdown chapters in this folder: the
# chapters (NN-*.md, in the order of their numbers) become one HTML page with a table of
# contents, and WeasyPrint prints it to PDF with guide.css.
#
#   build-guide.py --out FILE.pdf [--shots DIR]... [--html FILE.html] [--force] [--source DIR]
#
# A picture "images/NAME.png" is taken from the first --shots folder that holds NAME.png (the
# window test's fresh screenshots), else from the copy kept in images/. A picture found in
# neither place is a warning, and the guide shows its caption in a box instead.
# The PDF is rebuilt only when a chapter, the style sheet, this script or a picture it uses is
# newer than it, or when the pictures come from other files than last time (or with --force),
# so that the build can run this on every packaging.
#
# --source names another folder of chapters, guide.css and images/ (the tests use one).
# Debian's own python3 runs it: python3-markdown and weasyprint are Debian packages
# (scripts/setup-deps.sh installs them).
import argparse
import html
import os
import re
import sys

here = os.path.dirname(os.path.abspath(__file__))  # the guide's folder; --source replaces it
picture_pattern = re.compile(r'!\[([^\]]*)\]\(images/([^)\s]+)\)')


def warn(text):
    print("build-guide: warning: " + text, file=sys.stderr)


def chapters():
    names = sorted(n for n in os.listdir(here) if re.match(r'^\d\d-.*\.md$', n))
    if not names:
        sys.exit("build-guide: no chapters (NN-name.md) in " + here)
    return [os.path.join(here, n) for n in names]


def find_picture(name, shot_folders):
    """The file to show for images/NAME: a fresh screenshot first, else the kept copy."""
    if '/' in name or name.startswith('.'):
        return None  # pictures are plain file names in images/, nothing outside it
    for folder in shot_folders:
        candidate = os.path.join(folder, name)
        if os.path.isfile(candidate):
            return candidate
    kept = os.path.join(here, 'images', name)
    return kept if os.path.isfile(kept) else None


def resolve_pictures(text, shot_folders, used, missing):
    """Points every picture at the file found for it; a missing one becomes a captioned box."""
    def replace(match):
        caption, name = match.group(1), match.group(2)
        path = find_picture(name, shot_folders)
        if path is None:
            missing.append(name)
            return ('<div class="missing-picture">Picture not available: %s<br/>(%s)</div>'
                    % (html.escape(caption), html.escape(name)))
        used.append(path)
        return '![%s](%s)' % (caption, 'file://' + path.replace(' ', '%20'))
    return picture_pattern.sub(replace, text)


def to_html(sources, shot_folders, used, missing):
    try:
        import markdown
        from markdown.extensions.toc import TocExtension
    except ImportError:
        sys.exit('build-guide: python3-markdown is missing: run scripts/setup-deps.sh')
    text = '\n\n'.join(open(s, encoding='utf-8').read() for s in sources)
    text = resolve_pictures(text, shot_folders, used, missing)
    md = markdown.Markdown(extensions=[
        'tables', 'fenced_code', 'attr_list', 'def_list',
        TocExtension(toc_depth='1-2', permalink=False)])
    body = md.convert(text)
    title = 'Velkstrom Data Extractor for Meridane: User Guide'
    return ('<!DOCTYPE html>\n<html lang="en"><head><meta charset="utf-8"/>'
            '<title>%s</title></head><body>\n'
            '<section class="cover"><p class="product">Velkstrom Data Extractor for Meridane</p>'
            '<h1 class="cover-title">User Guide</h1>'
            '<p class="subtitle">Installing, setting up schools, extracting, scheduling, '
            'logs and messages</p></section>\n'
            '<nav class="contents"><h2 class="toc-title">Contents</h2>%s</nav>\n%s\n</body></html>\n'
            % (title, md.toc, body))


def newest(paths):
    return max(os.path.getmtime(p) for p in paths)


def main():
    parser = argparse.ArgumentParser(description='Builds MeridaneGuide.pdf.')
    parser.add_argument('--out', required=True)
    parser.add_argument('--shots', action='append', default=[])
    parser.add_argument('--html')
    parser.add_argument('--force', action='store_true')
    parser.add_argument('--source')
    args = parser.parse_args()
    global here
    if args.source:
        here = os.path.abspath(args.source)

    sources = chapters()
    shot_folders = [os.path.abspath(f) for f in args.shots if os.path.isdir(f)]
    used, missing = [], []
    page = to_html(sources, shot_folders, used, missing)
    for name in missing:
        warn('picture %s is neither in %s nor in %s' % (
            name, ' or '.join(shot_folders) or '(no screenshot folder)',
            os.path.join(here, 'images')))

    # The list of files the guide was made from, beside it: a picture that moves from the kept
    # copy to a fresh screenshot (or back) changes the list even when no file is newer.
    inputs = sources + used + [os.path.join(here, 'guide.css'), os.path.abspath(__file__)]
    listing = '\n'.join(inputs + ['missing: ' + n for n in missing]) + '\n'
    listing_file = args.out + '.inputs'
    previous = open(listing_file, encoding='utf-8').read() if os.path.isfile(listing_file) else ''
    if (not args.force and os.path.isfile(args.out) and previous == listing
            and os.path.getmtime(args.out) >= newest(inputs)):
        print('build-guide: %s is up to date' % args.out)
        return 0

    if args.html:
        with open(args.html, 'w', encoding='utf-8') as f:
            f.write(page)
    try:
        from weasyprint import CSS, HTML
    except ImportError:
        sys.exit('build-guide: weasyprint is missing: run scripts/setup-deps.sh')
    temporary = args.out + '.partial'
    HTML(string=page, base_url=here + '/').write_pdf(
        temporary, stylesheets=[CSS(filename=os.path.join(here, 'guide.css'))])
    os.replace(temporary, args.out)
    with open(listing_file, 'w', encoding='utf-8') as f:
        f.write(listing)
    fresh = sum(1 for p in used if not p.startswith(os.path.join(here, 'images')))
    print('build-guide: wrote %s (%d pictures, %d from fresh screenshots, %d missing)'
          % (args.out, len(used), fresh, len(missing)))
    return 0


if __name__ == '__main__':
    sys.exit(main())
