// The browser client: signs in, draws the groups the user may see with their
// widgets, and keeps the widgets' state current by regular data exchanges.
//
// Every request is one POST to "/<user name>" carrying the password, since
// the server keeps no session. Texts received from the server only ever reach
// the page as text content or through the literal reader of WebObjectText.
var webClient = (function () {
  'use strict';

  var REFRESH_INTERVAL_MS = 500;
  // Every so many exchanges the groups are asked for too, so groups and
  // widgets added, removed or moved on the panel reach the browser.
  var GROUPS_CHECK_EVERY = 20;
  var FAILURES_BEFORE_NOTICE = 2;
  var SCALE_STEP = 0.1;
  var SCALE_MIN = 0.3;
  var SCALE_MAX = 3;
  var LIBRARY_FOLDER = 'widgets_components_lib/';
  var CONTENT_FOLDER = 'content/';
  var KEPT_FOR_VISIT = 'Settings are kept for this visit only';
  // The server turns a sign-in away unchecked while it is busy, saying when
  // to ask again.
  var BUSY_STATUS = 503;
  var BUSY_SIGN_IN = 'The server is busy; signing in again shortly.';

  var state = null;
  var libraries = Object.create(null);

  function byId(id) {
    return document.getElementById(id);
  }

  // The page is written only where it differs from what it shows: the same
  // text or state written again still costs a new node or a restyle, and
  // most exchanges change nothing.
  function setText(id, text) {
    var element = byId(id);
    if (element && element.textContent !== text)
      element.textContent = text;
  }

  function setHidden(element, hidden) {
    if (element && element.hidden !== hidden)
      element.hidden = hidden;
  }

  function post(request) {
    var current = state;
    // The server percent-decodes the whole request: a "%" of ours must reach
    // it as "%25" to come out as itself.
    var body = JSON.stringify(Object.assign({ password: current.password }, request)).replace(/%/g, '%25');
    return fetch('/' + encodeURIComponent(current.userName), {
      method: 'POST',
      headers: { 'Content-Type': 'text/plain' },
      body: body,
      cache: 'no-store'
    }).then(function (response) {
      if (!response.ok) {
        var error = new Error('status ' + response.status);
        if (response.status === BUSY_STATUS)
          error.retryAfterMs = Math.max(1, Number(response.headers.get('Retry-After')) || 1) * 1000;
        throw error;
      }
      return response.text();
    });
  }

  function postForJson(request) {
    return post(request).then(function (text) {
      var answer = JSON.parse(text);
      if (answer === null || typeof answer !== 'object' || Array.isArray(answer))
        throw new Error('answer is no JSON object');
      return answer;
    });
  }

  function loadLibrary(name) {
    if (!/^[A-Za-z_$][A-Za-z0-9_$]*$/.test(name))
      return Promise.reject(new Error('bad class name ' + name));
    if (name === 'standartWidget' || WebObjectText.hasClass(name))
      return Promise.resolve();
    if (!libraries[name]) {
      libraries[name] = new Promise(function (resolve, reject) {
        var script = document.createElement('script');
        script.src = LIBRARY_FOLDER + encodeURIComponent(name) + '.js';
        script.onload = function () {
          if (typeof window[name] === 'function') {
            WebObjectText.registerClass(name, window[name]);
            resolve();
          } else {
            reject(new Error('library ' + name + ' defines no class ' + name));
          }
        };
        script.onerror = function () {
          delete libraries[name];
          reject(new Error('library ' + name + ' not loaded'));
        };
        document.head.appendChild(script);
      });
    }
    return libraries[name];
  }

  function contentUrl(fileName) {
    return CONTENT_FOLDER + String(fileName).split('/').map(encodeURIComponent).join('/');
  }

  function applyFont(font) {
    var panel = byId('panel');
    if (!font || typeof font !== 'object')
      return;
    // Sizes in points follow the panel's inch, so it comes first.
    QtFont.setPanelDpi(font.dpi);
    if (typeof font.family === 'string')
      panel.style.fontFamily = QtFont.family(font.family);
    var size = QtFont.size(font.size);
    if (size)
      panel.style.fontSize = size;
  }

  // The panel is scaled by a transform, which leaves its layout box at the
  // unscaled size; the frame around it takes the scaled size, so the scrolled
  // area reaches every group at every zoom and ends where the panel ends.
  function applyScale() {
    var scale = state.settings.scale;
    byId('panel').style.transform = scale === 1 ? '' : 'scale(' + scale + ')';
    var frame = byId('panel-frame');
    frame.style.width = Math.ceil(state.panelSize.width * scale) + 'px';
    frame.style.height = Math.ceil(state.panelSize.height * scale) + 'px';
    setText('scale-value', Math.round(scale * 100) + '%');
  }

  function showNotice(text) {
    setText('notice-text', text);
    setHidden(byId('notice'), false);
  }

  // A notice stays until the user dismisses it or does something else.
  function dismissNotice() {
    setHidden(byId('notice'), true);
  }

  function readSettings(userData) {
    var stored = userData && userData.settings && typeof userData.settings === 'object' ? userData.settings : {};
    state.storedSettings = stored;
    var scale = Number(stored.scale);
    state.settings.scale = scale >= SCALE_MIN && scale <= SCALE_MAX ? scale : 1;
  }

  function drawGroup(name, group) {
    var settings = group && group.settings ? group.settings : {};
    var element = document.createElement('div');
    element.className = 'group';
    element.style.left = (Number(settings.x) || 0) + 'px';
    element.style.top = (Number(settings.y) || 0) + 'px';
    element.style.width = Math.max(0, Number(settings.width) || 0) + 'px';
    element.style.height = Math.max(0, Number(settings.height) || 0) + 'px';
    if (typeof settings.bgimg === 'string' && settings.bgimg !== '') {
      // The picture alone shows, at its own size, as on the panel.
      element.classList.add('with-image');
      var picture = document.createElement('img');
      picture.className = 'background';
      picture.alt = '';
      picture.src = contentUrl(settings.bgimg);
      element.appendChild(picture);
    } else {
      var title = document.createElement('span');
      title.className = 'group-title';
      title.textContent = name;
      element.appendChild(title);
    }
    element.dataset.group = name;
    element.dataset.writable = group && group.writable === true ? 'true' : 'false';
    return element;
  }

  function buildWidget(id, groupElement, generation) {
    return post({ WIDGET_OBJECT: id })
      .then(function (text) {
        var parsed = WebObjectText.parse(text);
        if (parsed.className !== 'standartWidget')
          throw new Error('not a standard widget');
        return Promise.all(
          WebObjectText.classNames(parsed).map(function (name) {
            return loadLibrary(name).catch(function (error) {
              console.warn(error.message);
            });
          })
        ).then(function () {
          return parsed;
        });
      })
      .then(function (parsed) {
        if (!state || state.generation !== generation)
          return;
        var widget = WebObjectText.construct(parsed);
        widget.element.dataset.widget = id;
        var entry = { widget: widget };
        if (groupElement.dataset.writable === 'true') {
          widget.element.addEventListener('click', function () {
            dismissNotice();
            state.pendingClicks[id] = (state.pendingClicks[id] || 0) + 1;
            scheduleExchange(0);
          });
        } else {
          // The server would drop the click anyway; the user is told instead.
          widget.element.classList.add('read-only');
          widget.element.title = 'Read only: ' + id;
        }
        state.widgets[id] = entry;
        groupElement.appendChild(widget.element);
      })
      .catch(function (error) {
        // The widget went away or cannot be shown: its place stays empty.
        console.warn('widget ' + id + ': ' + error.message);
      });
  }

  function drawPanel(groups) {
    var panel = byId('panel');
    state.generation++;
    state.widgets = Object.create(null);
    state.groupsText = JSON.stringify(groups);
    panel.replaceChildren();
    var width = 0;
    var height = 0;
    var builds = [];
    Object.keys(groups).forEach(function (name) {
      var group = groups[name];
      var element = drawGroup(name, group);
      panel.appendChild(element);
      width = Math.max(width, element.offsetLeft + element.offsetWidth);
      height = Math.max(height, element.offsetTop + element.offsetHeight);
      var list = group && Array.isArray(group.wlist) ? group.wlist : [];
      list.forEach(function (id) {
        if (typeof id === 'string')
          builds.push(buildWidget(id, element, state.generation));
      });
    });
    panel.style.width = width + 'px';
    panel.style.height = height + 'px';
    state.panelSize = { width: width, height: height };
    applyScale();
    setText('empty-panel', Object.keys(groups).length ? '' : 'No groups are open to this user.');
    return Promise.all(builds);
  }

  function applyWidgets(widgets) {
    if (!widgets || typeof widgets !== 'object')
      return;
    Object.keys(widgets).forEach(function (id) {
      var entry = state.widgets[id];
      var data = widgets[id];
      if (!entry || !data || typeof data !== 'object')
        return;
      entry.widget.setWebData(data);
    });
  }

  function scheduleExchange(delay) {
    if (!state)
      return;
    clearTimeout(state.timer);
    state.timer = setTimeout(exchange, delay);
  }

  function exchange() {
    var current = state;
    if (!current || current.inFlight)
      return;
    current.inFlight = true;
    var started = Date.now();
    var input = {};
    Object.keys(current.pendingClicks).forEach(function (id) {
      input[id] = { clicked: true };
      if (--current.pendingClicks[id] <= 0)
        delete current.pendingClicks[id];
    });
    var request = { WIDGETS: input };
    if (++current.exchanges % GROUPS_CHECK_EVERY === 0)
      request.GROUPS = true;

    postForJson(request)
      .then(function (answer) {
        if (state !== current)
          return null;
        current.failures = 0;
        setText('status', '');
        if (answer.GROUPS && typeof answer.GROUPS === 'object' && JSON.stringify(answer.GROUPS) !== current.groupsText)
          return drawPanel(answer.GROUPS);
        applyWidgets(answer.WIDGETS);
        return null;
      })
      .catch(function (error) {
        if (state !== current)
          return;
        // A click that may not have arrived is not sent again: sending it
        // twice would be worse than losing it.
        if (++current.failures >= FAILURES_BEFORE_NOTICE)
          setText('status', error.retryAfterMs ? 'The server is busy' : 'No connection to the server');
      })
      .then(function () {
        current.inFlight = false;
        if (state !== current)
          return;
        var waited = Date.now() - started;
        scheduleExchange(Object.keys(current.pendingClicks).length ? 0 : Math.max(0, REFRESH_INTERVAL_MS - waited));
      });
  }

  function storeSettings() {
    applyScale();
    if (state.maySaveSettings === false) {
      showNotice(KEPT_FOR_VISIT);
      return Promise.resolve(false);
    }
    var current = state;
    var settings = Object.assign({}, current.storedSettings, { scale: current.settings.scale });
    return postForJson({ USERS_DATA: { settings: settings } })
      .then(function (answer) {
        var stored = answer.USERS_DATA && answer.USERS_DATA.settings;
        // The server keeps the settings only for users allowed to; the answer
        // carries back what it holds.
        current.maySaveSettings = !!stored && stored.scale === settings.scale;
        if (current.maySaveSettings)
          current.storedSettings = stored;
        else
          showNotice(KEPT_FOR_VISIT);
        return current.maySaveSettings;
      })
      .catch(function () {
        showNotice('Settings not stored: no connection to the server');
        return false;
      });
  }

  function zoom(step) {
    if (!state)
      return;
    dismissNotice();
    var scale = Math.round((state.settings.scale + step) * 10) / 10;
    state.settings.scale = Math.min(SCALE_MAX, Math.max(SCALE_MIN, scale));
    storeSettings();
  }

  function showSignedIn(signedIn) {
    byId('sign-in').hidden = signedIn;
    byId('desk').hidden = !signedIn;
  }

  // Signs in and draws the panel; resolves to true when signed in.
  function signIn(userName, password) {
    signOut();
    state = {
      userName: String(userName),
      password: String(password),
      settings: { scale: 1 },
      panelSize: { width: 0, height: 0 },
      storedSettings: {},
      maySaveSettings: null,
      widgets: Object.create(null),
      pendingClicks: Object.create(null),
      groupsText: '',
      generation: 0,
      exchanges: 0,
      failures: 0,
      inFlight: false,
      timer: 0
    };
    var current = state;
    setText('sign-in-error', '');
    return postForJson({ USERS_DATA: {}, GROUPS_FONT: true, GROUPS: true })
      .then(function (answer) {
        if (state !== current)
          return false;
        var userData = answer.USERS_DATA || {};
        setText('user-name', typeof userData.fullName === 'string' && userData.fullName ? userData.fullName : current.userName);
        readSettings(userData);
        applyFont(answer.GROUPS_FONT);
        applyScale();
        showSignedIn(true);
        return drawPanel(answer.GROUPS && typeof answer.GROUPS === 'object' ? answer.GROUPS : {}).then(function () {
          scheduleExchange(0);
          return true;
        });
      })
      .catch(function (error) {
        // Turned away before the password was looked at: no word on it, and
        // asked again as the server says.
        if (error.retryAfterMs && state === current) {
          setText('sign-in-error', BUSY_SIGN_IN);
          return new Promise(function (resolve) {
            setTimeout(resolve, error.retryAfterMs);
          }).then(function () {
            return state === current ? signIn(userName, password) : false;
          });
        }
        // The server answers a failed sign-in with bare words that a browser
        // reports as a broken answer, so every other failure reads the same.
        if (state === current)
          state = null;
        setText('sign-in-error', 'Wrong user name or password, or the server cannot be reached.');
        return false;
      });
  }

  function signOut() {
    if (state)
      clearTimeout(state.timer);
    state = null;
    var panel = byId('panel');
    if (panel)
      panel.replaceChildren();
    setText('status', '');
    dismissNotice();
    if (byId('sign-in'))
      showSignedIn(false);
  }

  function start() {
    WebObjectText.registerClass('standartWidget', standartWidget);
    var form = byId('sign-in');
    if (form) {
      form.addEventListener('submit', function (event) {
        event.preventDefault();
        signIn(byId('user').value, byId('password').value).then(function (signedIn) {
          if (signedIn)
            byId('password').value = '';
        });
      });
    }
    var bind = function (id, handler) {
      var element = byId(id);
      if (element)
        element.addEventListener('click', handler);
    };
    bind('zoom-out', function () { zoom(-SCALE_STEP); });
    bind('zoom-in', function () { zoom(SCALE_STEP); });
    bind('sign-out', signOut);
    bind('notice-dismiss', dismissNotice);
  }

  start();

  return {
    signIn: signIn,
    signOut: signOut,
    zoom: zoom
  };
})();
