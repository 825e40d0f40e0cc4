"""An observer in headless Chromium on the online test's page.

Usage: observer_browser.py <server url> <profile folder> [<screenshot folder>]

Follows the test as the test program publishes it and prints one JSON line per step with what
the page shows, for the test program to compare with what it sent; the test program publishes
the next message after reading each line. Exits non-zero when a step does not come in time.
"""
import sys

from browser_page import Page, report

url, profile = sys.argv[1], sys.argv[2]
page = Page(profile, sys.argv[3] if len(sys.argv) > 3 else '')


def question_shown(before):
    """Waits for a question other than the one before; its sub-questions as shown."""
    def shown(d):
        if not page.element('question').is_displayed():
            return False
        subs = page.subquestions()
        return subs if subs != before else False
    return page.wait_for(shown)


try:
    # The root moves the browser on to the page.
    page.driver.get(url + '/')
    page.visible('register')
    page.shot('hello')
    report('hello', url=page.driver.current_url, welcome=page.text('welcome'),
           prompt=page.text('name-prompt'))

    # A name in use is refused with the server's words; another one registers.
    refusal = page.register(' BOB ', refused=True)
    registered = page.register('Ann')
    page.shot('registered')
    report('registered', refusal=refusal, text=registered)

    page.wait_for(lambda d: page.text('message-text') != registered)
    report('text', text=page.text('message-text'))

    # DSIS: one mark of five.
    subs = question_shown(None)
    page.choose('q0', 3)
    status = page.send_and_wait()
    page.shot('dsis')
    report('dsis', subs=subs, status=status)

    # DSCQS: a mark for each video.
    subs = question_shown(subs)
    page.choose('q0-0', 0)
    page.choose('q0-1', 4)
    status = page.send_and_wait()
    page.shot('dscqs')
    report('dscqs', subs=subs, status=status)

    # Custom: a choice and a free text; nothing goes out before both are answered.
    subs = question_shown(subs)
    page.element('send').click()
    incomplete = page.text('vote-status')
    page.choose('q0', 1)
    page.type_text(1, 'Too dark')
    status = page.send_and_wait()
    page.shot('custom')
    report('custom', subs=subs, incomplete=incomplete, status=status)

    page.visible('term')
    page.shot('term')
    report('term', text=page.text('term-text'))
finally:
    page.quit()
