"""What the browser scripts of the online tests share: headless Chromium driven by Selenium on
the observers' page, the waits, and the page's controls.

A script prints one JSON line per step (report) for the test program to compare with what it
sent.
"""
import json

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.ui import WebDriverWait

WAIT_S = 30


class Page:
    def __init__(self, profile, shots=''):
        options = webdriver.ChromeOptions()
        options.binary_location = '/usr/bin/chromium'
        for flag in ('--headless', '--no-sandbox', '--disable-gpu', '--disable-quic',
                     '--no-first-run', '--disable-background-networking',
                     '--disable-component-update', '--disable-sync',
                     '--user-data-dir=' + profile, '--window-size=390,844'):
            options.add_argument(flag)
        self.driver = webdriver.Chrome(service=Service('/usr/bin/chromedriver'), options=options)
        self.shots = shots

    def quit(self):
        self.driver.quit()

    def shot(self, name):
        if self.shots:
            self.driver.save_screenshot('%s/%s.png' % (self.shots, name))

    def wait_for(self, condition):
        """The first true value of condition(driver); an exception after WAIT_S seconds."""
        return WebDriverWait(self.driver, WAIT_S, poll_frequency=0.05).until(condition)

    def element(self, element_id):
        return self.driver.find_element(By.ID, element_id)

    def visible(self, element_id):
        return self.wait_for(lambda d: d.find_element(By.ID, element_id).is_displayed())

    def text(self, element_id):
        return self.element(element_id).text

    def register(self, name, refused=False):
        """Types the name and registers. The page's text once registered; with refused, the
        refusal it shows instead."""
        field = self.element('name')
        field.clear()
        field.send_keys(name)
        self.element('register-button').click()
        shown = 'register-error' if refused else 'message'
        self.visible(shown)
        return self.text('register-error' if refused else 'message-text')

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

    def subquestions(self):
        return self.driver.execute_script(self.SUBQUESTIONS)

    def first_fieldset(self):
        found = self.driver.find_elements(By.CSS_SELECTOR, '#subquestions fieldset')
        return found[0] if found else None

    def choose(self, group, index):
        self.driver.find_element(By.CSS_SELECTOR,
                                 'input[name="%s"][value="%d"]' % (group, index)).find_element(
                                     By.XPATH, '..').click()

    def type_text(self, sub, text):
        self.driver.find_element(By.CSS_SELECTOR, 'textarea[name="q%d"]' % sub).send_keys(text)

    def send_and_wait(self):
        self.element('send').click()
        self.wait_for(
            lambda d: 'sent' in d.find_element(By.ID, 'vote-status').get_attribute('class').split())
        return self.text('vote-status')


def report(step, **values):
    values['step'] = step
    print(json.dumps(values), flush=True)
