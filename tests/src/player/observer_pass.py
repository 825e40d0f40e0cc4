"""An observer in headless Chromium who registers and answers every question of one pass after
another, each on its own server.

Usage: observer_pass.py <profile folder> <name> (<server url> <answers>)...

<answers> is a JSON list with one entry per question of the pass, in the order they come: per
sub-question an index (a choice), a list of two indices (a mark for each video) or a text. Prints
a line when registered, one per question with what the page showed, and one at the end of each
pass.
"""
import json
import sys
import time

from selenium.common.exceptions import StaleElementReferenceException, WebDriverException

from browser_page import Page, report

profile, name, passes = sys.argv[1], sys.argv[2], sys.argv[3:]
page = Page(profile)


def new_question(previous):
    """Waits until a question other than the answered one is on the page; the page rebuilds
    its sub-questions for every question, even one that reads the same."""
    def shown(d):
        if not page.element('question').is_displayed():
            return False
        first = page.first_fieldset()
        if first is None:
            return False
        if previous is not None:
            try:
                previous.tag_name
                return False  # still the answered question
            except StaleElementReferenceException:
                pass
        return first
    return page.wait_for(shown)


def open_page(url):
    # The next test's server starts only when the operator starts its pass: an observer who is
    # there early tries again, as a person would reload the page.
    deadline = time.monotonic() + 30
    while True:
        try:
            page.driver.get(url + '/')
            return
        except WebDriverException:
            if time.monotonic() > deadline:
                raise
            time.sleep(0.2)


def answer(question):
    for sub, given in enumerate(question):
        if isinstance(given, str):
            page.type_text(sub, given)
        elif isinstance(given, list):
            page.choose('q%d-0' % sub, given[0])
            page.choose('q%d-1' % sub, given[1])
        else:
            page.choose('q%d' % sub, given)


try:
    for url, answers in zip(passes[0::2], passes[1::2]):
        open_page(url)
        page.visible('register')
        report('registered', text=page.register(name))

        answered = None
        for number, question in enumerate(json.loads(answers)):
            answered = new_question(answered)
            subs = page.subquestions()
            answer(question)
            status = page.send_and_wait()
            report('question', number=number, subs=subs, status=status)

        page.visible('term')
        report('term', text=page.text('term-text'))
finally:
    page.quit()
