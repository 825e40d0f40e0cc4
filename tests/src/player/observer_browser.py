"""An observer in headless Chromium on the online test's page.

Usage: observer_browser.py <server url> <profile folder> [<screenshot folder>]

Follows the test as the test program publishes it and prints one JSON line per step with what
the page shows, for the test program to compare with what it sent; the test program publishes
the next message after reading each line. Exits non-zero when a step does not come in time.
"""
import json
import sys

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

WAIT_S = 30

url, profile = sys.argv[1], sys.argv[2]
shots = sys.argv[3] if len(sys.argv) > 3 else ''

options = webdriver.ChromeOptions()
options.binary_location = '/usr/bin/chromium'
for flag in ('--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
             '--disable-background-networking', '--disable-component-update', '--disable-sync',
             '--user-data-dir=' + profile, '--window-size=390,844'):
    options.add_argument(flag)
driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)


def report(step, **values):
    values['step'] = step
    print(json.dumps(values), flush=True)


def shot(name):
    if shots:
        driver.save_screenshot('%s/%s.png' % (shots, name))


def wait_for(condition):
    """The first true value of condition(driver); an exception after WAIT_S seconds."""
    return WebDriverWait(driver, WAIT_S, poll_frequency=0.05).until(condition)


def visible(element_id):
    return wait_for(lambda d: d.find_element(By.ID, element_id).is_displayed())


def text(element_id):
    return driver.find_element(By.ID, element_id).text


SUBQUESTIONS = """
return Array.prototype.map.call(document.querySelectorAll('#subquestions fieldset'), function (f) {
  function texts(selector) {
    return Array.prototype.map.call(f.querySelectorAll(selector), function (e) {
      return e.innerText;
    });
  }
  return {text: f.querySelector('legend').innerText, labels: texts('.choice span'),
          columns: texts('.column-title'), textareas: f.querySelectorAll('textarea').length};
});
"""


def question_shown(before):
    """Waits for a question other than the one before; its sub-questions as shown."""
    def shown(d):
        if not d.find_element(By.ID, 'question').is_displayed():
            return False
        subs = d.execute_script(SUBQUESTIONS)
        return subs if subs != before else False
    return wait_for(shown)


def choose(group, index):
    driver.find_element(By.CSS_SELECTOR,
                        'input[name="%s"][value="%d"]' % (group, index)).find_element(
                            By.XPATH, '..').click()


def send_and_wait():
    driver.find_element(By.ID, 'send').click()
    wait_for(
        lambda d: 'sent' in d.find_element(By.ID, 'vote-status').get_attribute('class').split())
    return text('vote-status')


try:
    # The root moves the browser on to the page.
    driver.get(url + '/')
    visible('register')
    shot('hello')
    report('hello', url=driver.current_url, welcome=text('welcome'), prompt=text('name-prompt'))

    # A name in use is refused with the server's words; another one registers.
    name = driver.find_element(By.ID, 'name')
    name.send_keys(' BOB ')
    driver.find_element(By.ID, 'register-button').click()
    visible('register-error')
    refusal = text('register-error')
    name.clear()
    name.send_keys('Ann')
    driver.find_element(By.ID, 'register-button').click()
    visible('message')
    registered = text('message-text')
    shot('registered')
    report('registered', refusal=refusal, text=registered)

    wait_for(lambda d: text('message-text') != registered)
    report('text', text=text('message-text'))

    # DSIS: one mark of five.
    subs = question_shown(None)
    choose('q0', 3)
    status = send_and_wait()
    shot('dsis')
    report('dsis', subs=subs, status=status)

    # DSCQS: a mark for each video.
    subs = question_shown(subs)
    choose('q0-0', 0)
    choose('q0-1', 4)
    status = send_and_wait()
    shot('dscqs')
    report('dscqs', subs=subs, status=status)

    # Custom: a choice and a free text; nothing goes out before both are answered.
    subs = question_shown(subs)
    driver.find_element(By.ID, 'send').click()
    incomplete = text('vote-status')
    choose('q0', 1)
    driver.find_element(By.CSS_SELECTOR, 'textarea[name="q1"]').send_keys('Too dark')
    status = send_and_wait()
    shot('custom')
    report('custom', subs=subs, incomplete=incomplete, status=status)

    visible('term')
    shot('term')
    report('term', text=text('term-text'))
finally:
    driver.quit()
