// The page side of a Tarvik program in the browser, run before the program:
// puts the stored files back from IndexedDB before it starts and stores them
// again when it saves (merging the state record with one another tab stored
// meanwhile), keeps the canvas focused, resumes sound on the first key, click
// or tap (browsers start it only then), asks for the device's motion on the
// first tap where the browser wants the player's leave, and says on the page
// when the program has ended or failed, could not store its record or misses
// a picture on the server.
(function () {
  var kDatabase = 'tarvik';
  var kStore = 'files';
  var kErrorPrefix = 'Tarvik Runtime Error : ';
  // The framework's line for a file the program asked for and did not find.
  var kMissingPrefix = 'File not found: ';
  var kDataFolder = '/data/';
  var kImageSuffix = '.png';
  // A notice that leaves the game playing (storage full, a missing file)
  // goes away after this long, or at the first tap, click or key.
  var kNoticeMillis = 8000;
  var database = null;
  var lastError = '';
  var lastErrorLine = '';   // the program's last line on standard error
  var missingImages = [];
  // Per stored file: the stored record this tab's copy is made from (null:
  // none was stored). A store of the state record compares it with what is
  // stored then, and merges when another tab stored in between.
  var mergeBase = {};
  // The state record's stores, run one transaction after another: the one
  // on its way first. A later save holds all of an earlier one's rounds, so
  // a store still waiting is replaced by the next for the same file.
  var stateStores = [];
  // The program's exit status while a store is still on its way: the
  // program's own end (its exit handlers) waits for the store.
  var endingWith = null;

  var noticeShown = 0;   // counts notices, so an old one's timer hides only itself

  // Shows `html` on the page: over the game when `over` (the game has
  // stopped), else as a notice along the top edge that goes at the first
  // tap or click, and, unless `lasting`, after a few seconds or at a key.
  function status(html, over, lasting) {
    var element = document.getElementById('status');
    if (!element) return;
    element.innerHTML = html;
    element.style.display = html ? '' : 'none';
    element.className = over ? 'shown-over' : html ? 'notice' : '';
    var shown = ++noticeShown;
    if (!html || over) return;
    var hide = function () {
      window.removeEventListener('pointerdown', hide, true);
      window.removeEventListener('keydown', hide, true);
      if (shown === noticeShown) status('', false);
    };
    window.addEventListener('pointerdown', hide, true);
    if (lasting) return;
    setTimeout(hide, kNoticeMillis);
    window.addEventListener('keydown', hide, true);
  }

  // The game draws nothing in place of a picture it could not load: the
  // page names each one until the player taps the notice away.
  function imageMissing(path) {
    if (path.indexOf(kDataFolder) !== 0 || path.slice(-kImageSuffix.length) !== kImageSuffix) return;
    missingImages.push(path.substring(1));
    status('The game cannot show everything: the server does not have ' +
           escapeHtml(missingImages.join(', ')) + '.', false, true);
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
        mergeBase[String(cursor.key)] = new Uint8Array(cursor.value);
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
      transaction.onabort = function () { storeFailed(transaction.error ? transaction.error.name : 'unknown error'); };
      return 0;
    } catch (e) {
      return -1;
    }
  };

  function sameBytes(a, b) {
    if (!a || !b) return !a && !b;
    if (a.length !== b.length) return false;
    for (var i = 0; i < a.length; ++i) if (a[i] !== b[i]) return false;
    return true;
  }

  function storedCopy(bytes) { return bytes.buffer.slice(bytes.byteOffset, bytes.byteOffset + bytes.length); }

  // The program's merge of `mine` (made from `base`) with `stored`, which
  // another tab stored meanwhile; null when the program cannot answer.
  function mergeRecords(mine, base, stored) {
    var merge = Module['_tarvik_merge_state'];
    if (!merge) return null;
    var blocks = [mine, base || new Uint8Array(0), stored || new Uint8Array(0)].map(function (bytes) {
      var at = Module['_malloc'](bytes.length + 1);
      HEAPU8.set(bytes, at);
      return { at: at, length: bytes.length };
    });
    try {
      var out = merge(blocks[0].at, blocks[0].length, blocks[1].at, blocks[1].length, blocks[2].at, blocks[2].length);
      if (!out) return null;
      var end = out;
      while (HEAPU8[end]) ++end;
      var merged = HEAPU8.slice(out, end);
      Module['_free'](out);
      return merged;
    } catch (e) {
      return null;
    } finally {
      blocks.forEach(function (block) { Module['_free'](block.at); });
    }
  }

  function storeFailed(why) {
    console.error('The saved settings and scores could not be stored by the browser (' + why + ').');
    status('Your settings and scores could not be saved in this browser (' + escapeHtml(why) + ').', false);
  }

  // Stores the first waiting state record in one transaction that reads the
  // stored one first: IndexedDB runs no other tab's write to it in between,
  // so a record another tab stored since this one's base is merged, never
  // written over, and the transaction leaves the old record or the new, whole.
  function storeNextState() {
    var entry = stateStores[0];
    var base = entry.key in mergeBase ? mergeBase[entry.key] : null;
    var record = entry.bytes;
    var finished = false;
    var finish = function (stored) {
      if (finished) return;
      finished = true;
      stateStores.shift();
      if (stored) {
        // The next record waiting was made from this tab's own; with none,
        // the tab's copy becomes what is stored.
        var latest = !stateStores.some(function (e) { return e.key === entry.key; });
        mergeBase[entry.key] = latest ? record : entry.bytes;
        if (latest && record !== entry.bytes) {
          try {
            FS.writeFile(entry.path, record);
          } catch (e) {
            console.warn('The merged record was not put back: ' + e);
          }
        }
      }
      if (stateStores.length > 0) storeNextState();
      else stateStoresDone();
    };
    var transaction;
    try {
      transaction = database.transaction(kStore, 'readwrite');
    } catch (e) {
      storeFailed(e.name || 'unknown error');
      finish(false);
      return;
    }
    var files = transaction.objectStore(kStore);
    var read = files.get(entry.key);
    read.onsuccess = function () {
      var stored = read.result === undefined ? null : new Uint8Array(read.result);
      if (!sameBytes(stored, base)) {
        record = mergeRecords(entry.bytes, base, stored);
        if (!record) {
          transaction.abort();
          return;
        }
      }
      files.put(storedCopy(record), entry.key);
    };
    transaction.oncomplete = function () { finish(true); };
    transaction.onabort = function () {
      var why = transaction.error ? transaction.error.name : 'unknown error';
      storeFailed(record ? why : 'the record another tab stored at the same time could not be merged');
      finish(false);
    };
  }

  // While a store is on its way the program's end waits for it, so the
  // program can still merge what it meets.
  function stateStoresDone() {
    runtimeKeepalivePop();
    if (endingWith === null) return;
    var code = endingWith;
    endingWith = null;
    try {
      exitRuntime();
    } catch (e) {
      if (!(e instanceof ExitStatus)) throw e;
    }
    ended(code);
  }

  // Stores the state record at `path` (see storeNextState). 0: on its way.
  Module['tarvikStoreState'] = function (path) {
    if (!database) return -1;
    var entry;
    try {
      path = PATH.normalize(path.charAt(0) === '/' ? path : FS.cwd() + '/' + path);
      entry = { path: path, key: keyPrefix() + path, bytes: FS.readFile(path) };
    } catch (e) {
      return -1;
    }
    for (var i = 1; i < stateStores.length; ++i) {
      if (stateStores[i].key === entry.key) {
        stateStores[i] = entry;
        return 0;
      }
    }
    stateStores.push(entry);
    if (stateStores.length === 1) {
      runtimeKeepalivePush();
      storeNextState();
    }
    return 0;
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
    if (text.indexOf(kMissingPrefix) === 0) imageMissing(text.substring(kMissingPrefix.length));
  };
  Module['printErr'] = function (text) {
    console.error(text);
    if (text) lastErrorLine = text;
  };

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

  // The frame loop stops, and sound with it.
  function stopProgram() {
    ABORT = true;
    // In full screen the canvas alone is shown, and the notice would not be.
    if (document.fullscreenElement && document.exitFullscreen) document.exitFullscreen().catch(function () {});
    if (typeof AL !== 'undefined' && AL.contexts) {
      for (var id in AL.contexts) {
        var context = AL.contexts[id];
        if (context && context.audioCtx && context.audioCtx.state !== 'closed') context.audioCtx.close();
      }
    }
  }

  // The program ends through here whatever ends it: the frame loop stops,
  // sound stops, and the page says so instead of showing a frozen picture.
  function ended(code) {
    if (Module['tarvikExitStatus'] !== null) return;
    if (Module['tarvikEndedAt'] === undefined) Module['tarvikEndedAt'] = performance.now();
    Module['tarvikExitStatus'] = code;
    stopProgram();
    if (code === 0) {
      status('The game has ended. <a href="">Play again</a>', true);
      return;
    }
    // The reason a page script found (tarvikFailure), else the program's own.
    var why = Module['tarvikFailure'] || lastError || lastErrorLine;
    var again = Module['tarvikStartAgain'] || { href: '', text: 'Start again' };
    status('The game stopped with an error' + (why ? ': ' + escapeHtml(why) : '') + '. <a href="' +
           escapeHtml(again.href) + '">' + escapeHtml(again.text) + '</a>', true);
  }
  Module['tarvikExitStatus'] = null;
  Module['quit'] = function (code, toThrow) {
    if (stateStores.length > 0 && !runtimeExited && Module['tarvikExitStatus'] === null) {
      // The program's own run ends here; what follows is the browser's store.
      Module['tarvikEndedAt'] = performance.now();
      endingWith = code;
      stopProgram();
    } else {
      ended(code);
    }
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
