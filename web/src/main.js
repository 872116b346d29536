// The page's composition: the login form, the one connection, the store every message goes
// into, the overview and the station page chosen by the address's fragment (#station=NAME).

import 'uplot/dist/uPlot.min.css';
import './style.css';

import { brokerUrl, connect } from './connection.js';
import { Overview } from './overview.js';
import { splitTopic } from './payloads.js';
import { StationPage } from './stationPage.js';
import { StationStore } from './stations.js';

const now = () => Date.now() / 1000;
const $ = (selector) => document.querySelector(selector);

function start() {
    const form = $('#login');
    const remembered = new URLSearchParams(location.search);
    form.username.value = remembered.get('user') ?? localStorage.getItem('orvant3k.user') ?? '';
    form.prefix.value = remembered.get('prefix') ?? localStorage.getItem('orvant3k.prefix') ?? 'orvant3k/v1';
    // The broker that served the page, unless the address names another (a TLS listener of
    // its own, or a page opened from the installed file).
    form.broker.value = remembered.get('broker') ?? (brokerUrl(location) || localStorage.getItem('orvant3k.broker')) ?? '';
    form.addEventListener('submit', (event) => {
        event.preventDefault();
        const prefix = form.prefix.value.trim().replace(/\/+$/, '');
        const url = form.broker.value.trim();
        if (!prefix || /[+#]/.test(prefix)) {
            $('#login .message').textContent = 'The topic prefix must be a plain topic (no + or #).';
            return;
        }
        if (!/^wss?:\/\/[^/\s]+/.test(url)) {
            $('#login .message').textContent = 'The broker must be a websockets address: ws://host:port/ or wss://host:port/.';
            return;
        }
        localStorage.setItem('orvant3k.broker', url);
        localStorage.setItem('orvant3k.user', form.username.value);
        localStorage.setItem('orvant3k.prefix', prefix);
        form.hidden = true;
        run({ url, username: form.username.value, password: form.password.value, prefix });
        form.password.value = '';
    });
}

function run(settings) {
    const store = new StationStore(now());
    const overview = new Overview($('#overview'), store, now);
    const link = $('#link');
    let stationPage = null;
    const client = connect(settings, {
        status(text, ok) {
            link.textContent = `Broker: ${text}`;
            link.className = ok ? 'ok' : 'trouble';
        },
        fatal(text) {
            link.textContent = `Broker: ${text}`;
            link.className = 'trouble';
            $('#login .message').textContent = `Cannot connect: ${text}.`;
            $('#login').hidden = false;
        },
        message(topic, text) {
            const where = splitTopic(topic, settings.prefix);
            if (!where) return;
            store.apply(where.station, where.kind, text, now());
            if (stationPage?.station === where.station) stationPage.receive(where.kind, text);
        },
    });
    const route = () => {
        const match = /^#station=(.+)$/.exec(location.hash);
        let station = null;
        try {
            station = match ? decodeURIComponent(match[1]) : null;
        } catch {
            station = null;  // a fragment typed by hand that is not valid
        }
        if (stationPage && stationPage.station !== station) {
            stationPage.close();
            stationPage = null;
        }
        $('#overview').hidden = station !== null;
        $('#station').hidden = station === null;
        if (station !== null && !stationPage)
            stationPage = new StationPage($('#station'), { store, client, prefix: settings.prefix, station, now });
    };
    window.addEventListener('hashchange', route);
    route();
    overview.redraw();
}

start();
