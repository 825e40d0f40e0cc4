// The observers' page of a VIXO online test. It follows the test through long polls of "/poll",
// registers the observer through "/reg" and sends the answers to "/vote", every field as a form
// field of a POST. The key that "/reg" hands out is kept for this tab and sent as "userid".
// Written for old phone browsers too: no framework, no modules, XMLHttpRequest.
(function () {
  'use strict';

  var KEY_NAME = 'vixo-userid';
  var RETRY_MS = 2000;
  // The server answers a poll within 10 s; a reply that takes much longer is lost.
  var POLL_TIMEOUT_MS = 30000;

  var userId = loadKey();
  var prevState = -1;     // the "state" of the last poll reply
  var shownState = null;  // the "state" of the message on screen; null: show the next one
  var pollRequest = null;
  var retryTimer = null;
  var finished = false;
  var question = null;    // the question on screen: {qid, qs}

  function byId(id) { return document.getElementById(id); }

  function loadKey() {
    try { return window.sessionStorage.getItem(KEY_NAME) || ''; } catch (e) { return ''; }
  }

  function saveKey(key) {
    userId = key;
    try { window.sessionStorage.setItem(KEY_NAME, key); } catch (e) { /* kept in memory */ }
  }

  // Fields: a list of [name, value] pairs, names repeated as needed.
  function formBody(fields) {
    var parts = [];
    for (var i = 0; i < fields.length; i++) {
      parts.push(encodeURIComponent(fields[i][0]) + '=' + encodeURIComponent(String(fields[i][1])));
    }
    return parts.join('&');
  }

  // Calls done(error, reply); error is true when the request failed or the reply is no JSON.
  function post(path, fields, timeoutMs, done) {
    var xhr = new XMLHttpRequest();
    xhr.open('POST', path, true);
    xhr.setRequestHeader('Content-Type', 'application/x-www-form-urlencoded');
    xhr.timeout = timeoutMs;
    var ended = false;
    function end(error, reply) {
      if (ended) return;
      ended = true;
      done(error, reply);
    }
    xhr.onload = function () {
      if (xhr.status !== 200) { end(true, null); return; }
      var reply;
      try { reply = JSON.parse(xhr.responseText); } catch (e) { end(true, null); return; }
      end(false, reply);
    };
    xhr.onerror = function () { end(true, null); };
    xhr.ontimeout = function () { end(true, null); };
    xhr.send(formBody(fields));
    return xhr;
  }

  function withUser(fields) {
    if (userId) fields.unshift(['userid', userId]);
    return fields;
  }

  function setConnection(text, lost) {
    var line = byId('connection');
    line.textContent = text;
    line.className = lost ? 'connection lost' : 'connection';
  }

  // ---------------------------------------------------------------- the long poll

  function poll() {
    if (finished) return;
    retryTimer = null;
    var request = post('/poll', withUser([['prevState', prevState]]), POLL_TIMEOUT_MS,
      function (error, reply) {
        if (pollRequest !== request) return;  // given up for a newer poll
        pollRequest = null;
        if (error || !reply || typeof reply.state !== 'number') {
          setConnection('Connection lost. Trying again\u2026', true);
          retryTimer = window.setTimeout(poll, RETRY_MS);
          return;
        }
        setConnection('', false);
        prevState = reply.state;
        if (reply.state !== shownState) {
          shownState = reply.state;
          show(reply);
        }
        poll();
      });
    pollRequest = request;
  }

  // Starts a poll now that answers at once with the current message, and shows it.
  function pollAgainNow() {
    if (retryTimer !== null) { window.clearTimeout(retryTimer); retryTimer = null; }
    if (pollRequest) {
      var old = pollRequest;
      pollRequest = null;
      old.abort();
    }
    prevState = -1;
    shownState = null;
    poll();
  }

  // ---------------------------------------------------------------- screens

  function showOnly(id) {
    var ids = ['register', 'message', 'question', 'term'];
    for (var i = 0; i < ids.length; i++) byId(ids[i]).hidden = ids[i] !== id;
  }

  function show(reply) {
    question = null;
    if (reply.type === 'hello') {
      byId('welcome').textContent = reply.text;
      byId('name-prompt').textContent = reply.qtext;
      byId('register-error').hidden = true;
      byId('register-button').disabled = false;
      showOnly('register');
    } else if (reply.type === 'text') {
      byId('message-text').textContent = reply.text;
      byId('message').className = reply.success === false ? 'panel refused' : 'panel';
      showOnly('message');
    } else if (reply.type === 'question') {
      showQuestion(reply);
    } else if (reply.type === 'term') {
      finished = true;
      byId('term-text').textContent = reply.text;
      showOnly('term');
    }
  }

  byId('register').addEventListener('submit', function (event) {
    event.preventDefault();
    var button = byId('register-button');
    var error = byId('register-error');
    button.disabled = true;
    error.hidden = true;
    post('/reg', [['name', byId('name').value]], POLL_TIMEOUT_MS, function (failed, reply) {
      button.disabled = false;
      if (failed || !reply) {
        error.textContent = 'The test computer did not answer. Please try again.';
        error.hidden = false;
        return;
      }
      if (!reply.success) {
        error.textContent = reply.message;
        error.hidden = false;
        return;
      }
      saveKey(reply.key);
      pollAgainNow();  // the waiting poll does not know the key yet
    });
  });

  // ---------------------------------------------------------------- questions

  // How many label indices an answer carries: 2, 0 (free text) or 1.
  function indicesAsked(type) {
    if (type === 2) return 2;
    if (type === 3) return 0;
    return 1;
  }

  function choiceList(container, groupName, labels) {
    for (var v = 0; v < labels.length; v++) {
      var label = document.createElement('label');
      label.className = 'choice';
      var input = document.createElement('input');
      input.type = 'radio';
      input.name = groupName;
      input.value = String(v);
      var span = document.createElement('span');
      span.textContent = labels[v];
      label.appendChild(input);
      label.appendChild(span);
      container.appendChild(label);
    }
  }

  function showQuestion(reply) {
    question = { qid: reply.qid, qs: reply.qs || [] };
    var list = byId('subquestions');
    while (list.firstChild) list.removeChild(list.firstChild);
    for (var i = 0; i < question.qs.length; i++) {
      var q = question.qs[i];
      var set = document.createElement('fieldset');
      set.className = 'subquestion';
      var legend = document.createElement('legend');
      legend.textContent = q.text;
      set.appendChild(legend);
      var n = indicesAsked(q.type);
      if (n === 0) {
        var area = document.createElement('textarea');
        area.name = 'q' + i;
        area.setAttribute('aria-label', q.text);
        set.appendChild(area);
      } else if (n === 2) {
        var pair = document.createElement('div');
        pair.className = 'pair';
        var titles = ['First video', 'Second video'];
        for (var k = 0; k < 2; k++) {
          var column = document.createElement('div');
          column.className = 'column';
          var title = document.createElement('p');
          title.className = 'column-title';
          title.textContent = titles[k];
          column.appendChild(title);
          choiceList(column, 'q' + i + '-' + k, q.vars || []);
          pair.appendChild(column);
        }
        set.appendChild(pair);
      } else {
        choiceList(set, 'q' + i, q.vars || []);
      }
      list.appendChild(set);
    }
    setVoteStatus('', '');
    byId('send').disabled = false;
    showOnly('question');
  }

  function checkedIndex(groupName) {
    var inputs = byId('question').querySelectorAll('input[type="radio"]');
    for (var i = 0; i < inputs.length; i++) {
      if (inputs[i].name === groupName && inputs[i].checked) return inputs[i].value;
    }
    return null;
  }

  // The vote fields of every sub-question, or null when one is not answered yet.
  function collectAnswers() {
    var answers = [];
    for (var i = 0; i < question.qs.length; i++) {
      var fields = [['qid', question.qid], ['qi', i]];
      var n = indicesAsked(question.qs[i].type);
      if (n === 0) {
        var text = byId('question').querySelector('textarea[name="q' + i + '"]').value;
        if (!/\S/.test(text)) return null;
        fields.push(['text', text]);
      } else {
        for (var k = 0; k < n; k++) {
          var value = checkedIndex(n === 2 ? 'q' + i + '-' + k : 'q' + i);
          if (value === null) return null;
          fields.push(['votes[]', value]);
        }
      }
      answers.push(fields);
    }
    return answers;
  }

  function setVoteStatus(text, kind) {
    var line = byId('vote-status');
    line.textContent = text;
    line.className = kind ? 'vote-status ' + kind : 'vote-status';
  }

  // Marks the chosen labels, so that the choice shows on screens where radio buttons are small.
  byId('question').addEventListener('change', function () {
    var labels = byId('question').querySelectorAll('.choice');
    for (var i = 0; i < labels.length; i++) {
      labels[i].className = labels[i].firstChild.checked ? 'choice checked' : 'choice';
    }
  });

  byId('question').addEventListener('submit', function (event) {
    event.preventDefault();
    if (!question) return;
    var answers = collectAnswers();
    if (!answers) {
      setVoteStatus('Please answer every question.', 'refused');
      return;
    }
    var asked = question;
    var send = byId('send');
    send.disabled = true;
    setVoteStatus('Sending\u2026', '');
    // One vote per sub-question, one after the other.
    var next = 0;
    var accepted = true;
    (function sendNext() {
      if (question !== asked) return;  // a new message came meanwhile
      if (next === answers.length) {
        send.disabled = false;
        if (accepted) {
          setVoteStatus('Your answer has been sent. You may change it until the next question.',
                        'sent');
        } else {
          setVoteStatus('Your answer was not accepted.', 'refused');
        }
        return;
      }
      post('/vote', withUser(answers[next].slice()), POLL_TIMEOUT_MS, function (failed, reply) {
        if (failed) {
          if (question === asked) {
            send.disabled = false;
            setVoteStatus('The test computer did not answer. Please send again.', 'refused');
          }
          return;
        }
        if (reply !== true) accepted = false;
        next++;
        sendNext();
      });
    })();
  });

  poll();
})();
