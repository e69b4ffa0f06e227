// The page side of a Tarvik program in the browser, run before the program:
// puts the stored files back from IndexedDB before it starts and stores them
// again when it saves, keeps the canvas focused, resumes sound on the first
// key, click or tap (browsers start it only then), asks for the device's
// motion on the first tap where the browser wants the player's leave, and says
// on the page when the program has ended or failed.
(function () {
  var kDatabase = 'tarvik';
  var kStore = 'files';
  var kErrorPrefix = 'Tarvik Runtime Error : ';
  var database = null;
  var lastError = '';

  function status(html, over) {
    var element = document.getElementById('status');
    if (!element) return;
    element.innerHTML = html;
    element.style.display = html ? '' : 'none';
    element.className = over ? 'shown-over' : '';
  }

  function escapeHtml(text) {
    return String(text).replace(/[&<>"]/g, function (c) {
      return { '&': '&amp;', '<': '&lt;', '>': '&gt;', '"': '&quot;' }[c];
    });
  }

  // Each page keeps its own files: two programs on one site never share them.
  function keyPrefix() { return location.pathname + '|'; }

  function openDatabase(done) {
    var request;
    try {
      request = indexedDB.open(kDatabase, 1);
    } catch (e) {
      done(null);
      return;
    }
    request.onupgradeneeded = function () { request.result.createObjectStore(kStore); };
    request.onsuccess = function () { done(request.result); };
    request.onerror = function () { done(null); };
    request.onblocked = function () { done(null); };
  }

  // Puts every stored file of this page back before the program starts.
  function restoreFiles() {
    addRunDependency('tarvik-stored-files');
    openDatabase(function (db) {
      database = db;
      if (!db) {
        console.warn('This browser keeps no storage for the page: settings and scores last until it closes.');
        removeRunDependency('tarvik-stored-files');
        return;
      }
      var prefix = keyPrefix();
      var range = IDBKeyRange.bound(prefix, prefix + '\uffff');
      var cursorRequest = db.transaction(kStore, 'readonly').objectStore(kStore).openCursor(range);
      cursorRequest.onsuccess = function () {
        var cursor = cursorRequest.result;
        if (!cursor) {
          removeRunDependency('tarvik-stored-files');
          return;
        }
        var path = String(cursor.key).substring(prefix.length);
        try {
          FS.mkdirTree(PATH.dirname(path));
          FS.writeFile(path, new Uint8Array(cursor.value));
        } catch (e) {
          console.warn('A stored file could not be put back: ' + path);
        }
        cursor.continue();
      };
      cursorRequest.onerror = function () { removeRunDependency('tarvik-stored-files'); };
    });
  }

  // Stores the in-memory file at `path` in one transaction. 0: on its way.
  // Kept by its full path, so it goes back to the same place whatever the
  // program's working folder then.
  Module['tarvikStoreFile'] = function (path) {
    if (!database) return -1;
    try {
      path = PATH.normalize(path.charAt(0) === '/' ? path : FS.cwd() + '/' + path);
      var bytes = FS.readFile(path);
      var transaction = database.transaction(kStore, 'readwrite');
      transaction.objectStore(kStore).put(bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length),
                                          keyPrefix() + path);
      transaction.onabort = transaction.onerror = function () {
        var why = transaction.error ? transaction.error.name : 'unknown error';
        console.error('The saved settings and scores could not be stored by the browser (' + why + ').');
        status('Your settings and scores could not be saved in this browser (' + escapeHtml(why) + ').', false);
      };
      return 0;
    } catch (e) {
      return -1;
    }
  };

  // Browsers keep sound suspended until the player has pressed a key or
  // clicked; every such event resumes whatever is suspended.
  function resumeAudio() {
    if (typeof AL === 'undefined' || !AL.contexts) return;
    for (var id in AL.contexts) {
      var context = AL.contexts[id];
      if (context && context.audioCtx && context.audioCtx.state === 'suspended') context.audioCtx.resume();
    }
  }
  ['keydown', 'mousedown', 'pointerdown', 'touchstart'].forEach(function (type) {
    window.addEventListener(type, resumeAudio, true);
  });
  // The first key resumes sound from several listeners (ours and OpenAL's own),
  // none of which waits for the answer. When that key also ends the program,
  // the context closes before the resumes settle and each would reject
  // unheard: the rejection is taken here, and callers that wait still see it.
  [window.AudioContext, window.webkitAudioContext].forEach(function (type) {
    if (!type || type.prototype.tarvikResume) return;
    var resume = type.prototype.tarvikResume = type.prototype.resume;
    type.prototype.resume = function () {
      var answer = resume.apply(this, arguments);
      if (answer && answer.catch) answer.catch(function () {});
      return answer;
    };
  });
  Module['tarvikAudioStates'] = function () {
    var states = [];
    if (typeof AL !== 'undefined' && AL.contexts) {
      for (var id in AL.contexts) {
        var context = AL.contexts[id];
        if (context && context.audioCtx) states.push(context.audioCtx.state);
      }
    }
    return states;
  };

  Module['print'] = function (text) {
    console.log(text);
    if (text.indexOf(kErrorPrefix) === 0) lastError = text.substring(kErrorPrefix.length);
  };
  Module['printErr'] = function (text) { console.error(text); };

  Module['preRun'] = Module['preRun'] || [];
  Module['preRun'].push(restoreFiles);
  Module['onRuntimeInitialized'] = function () {
    // The program's own run, without the page's load and compile, is timed
    // from here to its end (tarvikEndedAt): the web benchmark reads both.
    Module['tarvikStartedAt'] = performance.now();
    status('', false);
    var canvas = document.getElementById('canvas');
    if (canvas) canvas.focus();
  };

  // The program ends through here whatever ends it: the frame loop stops,
  // sound stops, and the page says so instead of showing a frozen picture.
  function ended(code) {
    if (Module['tarvikExitStatus'] !== null) return;
    Module['tarvikEndedAt'] = performance.now();
    Module['tarvikExitStatus'] = code;
    ABORT = true;
    // In full screen the canvas alone is shown, and the notice would not be.
    if (document.fullscreenElement && document.exitFullscreen) document.exitFullscreen().catch(function () {});
    if (typeof AL !== 'undefined' && AL.contexts) {
      for (var id in AL.contexts) {
        var context = AL.contexts[id];
        if (context && context.audioCtx) context.audioCtx.close();
      }
    }
    if (code === 0) {
      status('The game has ended. <a href="">Play again</a>', true);
    } else {
      status('The game stopped with an error' + (lastError ? ': ' + escapeHtml(lastError) : '') +
             '. <a href="">Start again</a>', true);
    }
  }
  Module['tarvikExitStatus'] = null;
  Module['quit'] = function (code, toThrow) {
    ended(code);
    throw toThrow;
  };
  Module['onAbort'] = function (what) {
    if (!lastError) lastError = String(what);
    ended(-1);
  };

  // A click or a tap on the page gives the canvas back the keyboard (a tap on
  // the canvas makes no click: the program takes its touches whole).
  function focusCanvas() {
    var canvas = document.getElementById('canvas');
    if (canvas && document.activeElement !== canvas) canvas.focus();
  }
  window.addEventListener('mousedown', focusCanvas);
  window.addEventListener('touchstart', focusCanvas, { passive: true });

  // Some browsers give motion readings only after the player allows them, and
  // ask only from inside a tap: the first tap asks, once.
  function askForMotion() {
    window.removeEventListener('touchend', askForMotion, true);
    if (typeof DeviceMotionEvent === 'undefined' || typeof DeviceMotionEvent.requestPermission !== 'function') return;
    DeviceMotionEvent.requestPermission().catch(function () {});
  }
  window.addEventListener('touchend', askForMotion, true);
})();
