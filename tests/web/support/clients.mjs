// MQTT clients a test drives itself: a station that publishes what the test says, and a
// stand-in collector that answers history requests.

import { Users } from './broker.mjs';
import { webModule } from './webModules.mjs';

const mqtt = await webModule('mqtt');

export function connectAs(url, user, options = {}) {
    return mqtt.connectAsync(url, { username: user, password: Users[user], protocolVersion: 5, reconnectPeriod: 0, ...options });
}

// Answers every history request with `answer(station, request)` (an object, sent as JSON) on
// the request's response topic with its correlation data, as the collector does.
export async function startHistoryAnswerer(url, answer) {
    const client = await connectAs(url, 'collector');
    const requests = [];
    client.on('message', (topic, payload, packet) => {
        const station = topic.split('/')[2];
        const request = JSON.parse(payload.toString());
        requests.push({ station, request, properties: packet.properties });
        const { responseTopic, correlationData } = packet.properties ?? {};
        if (!responseTopic) return;
        client.publish(responseTopic, JSON.stringify(answer(station, request)), { qos: 1, properties: { correlationData } });
    });
    await client.subscribeAsync('orvant3k/v1/+/history', { qos: 1 });
    return { client, requests };
}
