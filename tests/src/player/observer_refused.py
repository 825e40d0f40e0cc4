"""An observer in headless Chromium whom the test does not take.

Usage: observer_refused.py <server url> <profile folder> <name>

Registers first with a name longer than the page's field takes (put into the field by a script,
as a tampered page would send it), then with <name>; prints the refusal the page shows for each,
and then the end of the test once the page shows it.
"""
import sys

from browser_page import Page, report

url, profile, name = sys.argv[1], sys.argv[2], sys.argv[3]
page = Page(profile)

try:
    page.driver.get(url + '/')
    page.visible('register')
    page.driver.execute_script("document.getElementById('name').value = arguments[0];",
                               'x' * 201)
    page.element('register-button').click()
    page.visible('register-error')
    too_long = page.text('register-error')
    page.wait_for(lambda d: page.element('register-button').is_enabled())
    field = page.element('name')
    field.clear()
    field.send_keys(name)
    page.element('register-button').click()
    page.wait_for(lambda d: page.element('register-error').is_displayed() and
                  page.text('register-error') != too_long)
    report('refused', too_long=too_long, full=page.text('register-error'))

    page.visible('term')
    report('term', text=page.text('term-text'))
finally:
    page.quit()
