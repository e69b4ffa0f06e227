// Keeps the game page playable offline, run before the program. Once the page
// has fetched what its title needs, it registers its service worker
// (skarnel-sw.js, written by the build with the build's files) and names to it
// every file it fetches, handing over the bytes of the data files it already
// has, which the worker keeps in its build's cache. Before
// the program starts, the data files kept there go back into the page's file
// system: the program reads its files with synchronous requests, which a
// worker never sees, and finds these without asking the network. When a new
// build's worker takes over a running page, the page loads again, so it never
// runs on with another build's files.
(function () {
  var kWorker = 'skarnel-sw.js';
  // The worker is registered once the page has fetched nothing for this long:
  // its own downloads then never compete with the title's.
  var kQuietMillis = 5000;
  var kQuietPollMillis = 250;
  // A worker that does not name its cache within this long is not waited for.
  var kAnswerMillis = 5000;
  Module['tarvikKeptForOffline'] = false;
  // A page without an origin of its own (a sandboxed frame) may not even
  // look at its caches or workers: reading them throws, and the page then
  // simply plays without being kept for offline.
  var workers;
  try {
    if (!('serviceWorker' in navigator) || !window.isSecureContext || !window.caches) return;
    workers = navigator.serviceWorker;
  } catch (e) {
    return;
  }
  var hadWorker = !!workers.controller;
  var folder = location.href.replace(/[?#].*$/, '').replace(/[^/]*$/, '');

  // Asks the worker in charge; `answered` gets its answer, or null.
  function ask(question, answered) {
    var channel = new MessageChannel();
    var done = false;
    var finish = function (answer) {
      if (done) return;
      done = true;
      answered(answer);
    };
    channel.port1.onmessage = function (event) { finish(event.data); };
    setTimeout(function () { finish(null); }, kAnswerMillis);
    workers.controller.postMessage(question, [channel.port2]);
  }

  // Puts this build's kept data files back where the program looks for them.
  function restoreKeptData() {
    if (!workers.controller) return;
    addRunDependency('tarvik-kept-data');
    var finished = function () { removeRunDependency('tarvik-kept-data'); };
    ask({ cacheName: true }, function (name) {
      if (typeof name !== 'string') {
        finished();
        return;
      }
      caches.open(name).then(function (cache) {
        return cache.keys().then(function (requests) {
          return Promise.all(requests.filter(function (request) {
            return request.url.indexOf(folder + 'data/') === 0;
          }).map(function (request) {
            return cache.match(request).then(function (response) { return response.arrayBuffer(); })
              .then(function (bytes) {
                var path = '/' + decodeURIComponent(request.url.substring(folder.length));
                FS.mkdirTree(PATH.dirname(path));
                FS.writeFile(path, new Uint8Array(bytes));
              });
          }));
        });
      }).catch(function (error) {
        console.warn('The kept files could not be read back: ' + error.message);
      }).then(finished);
    });
  }
  Module['preRun'] = Module['preRun'] || [];
  Module['preRun'].push(restoreKeptData);

  // The bytes of a data file the page fetched, from its file system (so the
  // worker need not fetch it again), or null.
  function fetchedBytes(url) {
    if (url.indexOf(folder + 'data/') !== 0) return null;
    try {
      return FS.readFile('/' + decodeURIComponent(url.substring(folder.length).replace(/[?#].*$/, '')));
    } catch (e) {
      return null;
    }
  }

  function keep(urls) {
    if (!workers.controller || urls.length === 0) return;
    var files = urls.map(function (url) { return { url: url, bytes: fetchedBytes(url) }; });
    ask({ keep: files }, function (all) { Module['tarvikKeptForOffline'] = all === true; });
  }

  // Everything fetched from the page's folder so far, the page first; then
  // each file as it comes.
  function keepFetched() {
    var files = [location.href.replace(/#.*$/, '')];
    var add = function (entry) {
      if (entry.name.indexOf(folder) === 0) files.push(entry.name);
    };
    performance.getEntriesByType('resource').forEach(add);
    keep(files);
    if (!window.PerformanceObserver) return;
    new PerformanceObserver(function (list) {
      files = [];
      list.getEntries().forEach(add);
      keep(files);
    }).observe({ type: 'resource' });
  }

  workers.addEventListener('controllerchange', function () {
    if (hadWorker) {
      location.reload();
      return;
    }
    hadWorker = true;
    keepFetched();
  });

  function register() {
    workers.register(kWorker).then(function () {
      if (workers.controller) keepFetched();
    }).catch(function (error) {
      console.warn('The game cannot be kept for playing offline: ' + error.message);
    });
  }

  var seen = -1;
  var quietSince = 0;
  function waitForQuiet() {
    var count = performance.getEntriesByType('resource').length;
    var now = performance.now();
    if (count !== seen || Module['tarvikStartedAt'] === undefined) {
      seen = count;
      quietSince = now;
    }
    if (now - quietSince >= kQuietMillis) register();
    else setTimeout(waitForQuiet, kQuietPollMillis);
  }
  waitForQuiet();
})();
